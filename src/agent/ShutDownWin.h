// The shutdown sequence the update cycle runs before it installs a release.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "agent/ShutDown.h"

class OriginalFile;
struct Release;

// How long the sequence waits for the program's end, and what makes it give up early
// (the agent was told to end).
struct ShutDownWait {
    std::int64_t seconds = kDefaultShutDownWaitSeconds;
    std::function<bool()> stopping;
};

// Stops the program at path by the method named by methodText (agent/ShutDown.h) and,
// unless the method is "Don't Shut Down", waits for its end, for wait.seconds at most:
// a program still running then gives StillRunning, and the sequence says so in the
// update log. The boxes of "Issue a Message Box" speak the installed product's language
// and go by themselves when the time is up. Writes the sequence's trace and update-log
// lines.
ShutDownOutcome ShutDownProgram(const OriginalFile& original, const std::string& path, const std::string& methodText,
                                const ShutDownWait& wait);

// The installed product's program and the arguments it is started again with: the
// release's RunningProcess split first (a quoted path, then the arguments), then the
// program's folder variables expanded, with the ".original" file's folders as the
// install folders.
ProgramCommand RunningProcessCommand(const OriginalFile& original, const Release& release);
