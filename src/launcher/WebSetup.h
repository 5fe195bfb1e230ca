// A web setup: a launcher whose payload carries no files but download options fetches
// its setup file with the HTTP client (or takes it from beside itself), checks that it
// carries the launcher's own download token and runs it through the setup run.
#pragma once

#include <string>
#include <vector>

#include "launcher/StubSetup.h"

class LauncherWindow;
class TGFileInfo;
struct RunContext;

// How far the setup file came.
enum class WebFetch {
    Ready,    // there, and ours to run
    Declined, // the user declined the download: no message is due
    Failed,   // not there, or not ours: the user is told why
};

struct WebSetupRequest {
    std::string workFolder;
    std::string source;   // a folder beside the launcher, or the web address without the name
    std::string fileName; // the setup file's name
    bool hidden = false;  // no question, no window, the engine hidden
    const std::vector<std::string>& removeWhenCompleted;
};

// Takes the setup file from source or downloads it from source + "/" + fileName into the
// temp folder, and runs it. Shows its own messages.
SetupOutcome WebSetupRun(LauncherWindow& view, const RunContext& run, const WebSetupRequest& request);

// Where the setup file comes from: the launcher's folder when the file lies there, unless
// the payload demands a download or names the setup's SHA-256 and the file is another (a
// Downloads folder may hold anything of that name); else the payload's web address.
std::string WebSetupSource(const TGFileInfo& own);
