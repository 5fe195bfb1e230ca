// A web setup: a launcher whose payload carries no files but download options fetches
// its setup file with the HTTP client (or takes it from beside itself), checks that it
// carries the launcher's own download token and runs it through the setup run.
#pragma once

#include <string>
#include <vector>

#include "launcher/StubSetup.h"

class LauncherWindow;
struct RunContext;

// How far the setup file came.
enum class WebFetch {
    Ready,     // there, and ours to run
    Declined,  // the user declined the download: no message is due
    Failed,    // not there, or not ours: the user is told why
};

struct WebSetupRequest {
    std::string workFolder;
    std::string source;    // a folder beside the launcher, or the web address without the name
    std::string fileName;  // the setup file's name
    bool hidden = false;   // no question, no window, the engine hidden
    std::vector<std::string> removeWhenCompleted;
};

// Takes the setup file from source or downloads it from source + "/" + fileName into the
// temp folder, and runs it. Shows its own messages.
SetupOutcome WebSetupRun(LauncherWindow& view, const RunContext& run, const WebSetupRequest& request);
