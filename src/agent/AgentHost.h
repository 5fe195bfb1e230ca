// What the agent uses of the launcher it runs in: its payload descriptor, its window's
// caption, the notify window and the setup run that installs an update's payload. The
// launcher hands these over when agent mode starts (the agent cannot reach the
// launcher's files).
#pragma once

#include <functional>
#include <string>

class TGFileInfo;

struct AgentHost {
    const TGFileInfo* own = nullptr;
    // The label of the launcher window, in the [MsgBox] font of the ".original" file.
    std::function<void(const std::string& text)> caption;
    // Posts (code, value) to the registered notify window, if any.
    std::function<void(int code, int value)> notify;
    // Unpacks the payload of setupFile into a fresh work folder, runs its engine with
    // extraArgs and removes the folder; true when the engine reported completion.
    std::function<bool(const std::string& setupFile, const std::string& extraArgs, bool foreground)> runSetup;
};
