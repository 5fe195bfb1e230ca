// The shutdown sequence the update cycle runs before it installs a release.
#pragma once

#include <string>

struct ProgramCommand;

// Stops the program at path by the method named by methodText (agent/ShutDown.h) and,
// unless the method is "Don't Shut Down", waits without limit for its end. Writes the
// sequence's trace and update-log lines. Returns 0, 1 or 2 (ShutDownOutcome).
int ShutDownProgram(const std::string& path, const std::string& methodText);

// The installed product's program: the ".info" file's RunningProcess, expanded with the
// ".original" file's folders as the install folders of the folder variables.
std::string RunningProductPath();

// The sequence for the installed product's program (RunningProductPath, split) with the
// ".info" file's ShutDownMethod.
int ShutDownRunningProduct(const ProgramCommand& program);
