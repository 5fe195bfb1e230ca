// A web setup: a launcher whose payload carries no files but download options fetches
// its setup file with the HTTP client (or takes it from beside itself), checks that it
// carries the launcher's own download token and runs it through the setup run.
#pragma once

#include <string>

#include "launcher/StubSetup.h"

class LauncherWindow;
struct RunContext;

// How far the setup file came.
enum class WebFetch {
    Ready,     // there, and ours to run
    Declined,  // the user declined the download: no message is due
    Failed,    // not there, or not ours: the user is told why
};

// Takes the setup file from source (a folder beside the launcher) or downloads it from
// source + "/" + fileName into the temp folder, and runs it. Shows its own messages.
SetupOutcome WebSetupRun(LauncherWindow& view, const RunContext& run, const std::string& workFolder,
                         const std::string& source, const std::string& fileName, bool hidden);
