// What the agent uses of the launcher it runs in: its payload descriptor, its window's
// caption, the notify window and the setup run that installs an update's payload. The
// launcher hands these over when agent mode starts (the agent cannot reach the
// launcher's files).
#pragma once

#include <functional>
#include <string>
#include <vector>

class TGFileInfo;

// An update's payload, run as a setup.
struct UpdateRun {
    std::string setupFile;
    std::string extraArgs; // after the launcher's own arguments on the engine's line
    bool foreground = true;
    // Files deleted once the engine reported completion: the installed product's
    // shortcuts that the release asks to remove, named before the update rewrites them.
    std::vector<std::string> shortcutsToRemove;
};

struct AgentHost {
    const TGFileInfo* own = nullptr;
    // The label of the launcher window, in the [MsgBox] font of the ".original" file.
    std::function<void(const std::string& text)> caption;
    // Posts (code, value) to the registered notify window, if any.
    std::function<void(int code, int value)> notify;
    // Unpacks the payload into a fresh work folder, runs its engine and removes the
    // folder; true when the engine reported completion.
    std::function<bool(const UpdateRun& run)> runSetup;
};
