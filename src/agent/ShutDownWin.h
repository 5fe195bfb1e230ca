// The shutdown sequence the update cycle runs before it installs a release.
#pragma once

#include <string>

#include "agent/ShutDown.h"

class OriginalFile;
struct Release;

// Stops the program at path by the method named by methodText (agent/ShutDown.h) and,
// unless the method is "Don't Shut Down", waits without limit for its end. The boxes of
// "Issue a Message Box" speak the installed product's language. Writes the sequence's
// trace and update-log lines.
ShutDownOutcome ShutDownProgram(const OriginalFile& original, const std::string& path, const std::string& methodText);

// The installed product's program: the release's RunningProcess, expanded with the
// ".original" file's folders as the install folders of the folder variables.
std::string RunningProductPath(const OriginalFile& original, const Release& release);
