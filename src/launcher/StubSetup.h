// The setup run: unpack the payload, confirm temp space, start the setup engine, wait
// for it and its dialog, and learn from the completion atom whether it finished. The
// launcher window is the run's view: its label, bars, showing and hiding, and the owner
// of its boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class LauncherWindow;
class TGFileInfo;
struct RunContext;

struct SetupRequest {
    std::string workFolder;
    std::string sourceFile; // the file whose payload is unpacked
    std::string agentName;  // non-empty: an agent copy of the source is written too
    std::string extraArgs;  // the engine's arguments (the launcher's own in setup mode)
    bool foreground = true; // the user sees the run; false: everything hidden
    // Deleted once the engine reported completion (an update's shortcuts to remove).
    const std::vector<std::string>& removeWhenCompleted;
    // The engine is to write where this user may not (an update of a product that its
    // agent cannot write beside): started through the consent prompt unless this
    // process already runs elevated.
    bool needsRights = false;
};

struct [[nodiscard]] SetupOutcome {
    unsigned long exitCode = 0; // the engine's, or one of the launcher's own (ExitCodes.h)
    bool completed = false;     // the engine removed its completion atom
    // The engine asks for administrator rights and nothing was started: the launcher
    // must start itself elevated (EngineElevationStep).
    bool relaunchElevated = false;
};

// Runs one setup: its outcome says how the process ends.
SetupOutcome SetupRun(LauncherWindow& view, const RunContext& run, const SetupRequest& request);

// Asks before extracting when the payload wants the drive named or space is short.
bool SpaceConfirm(LauncherWindow& view, const std::string& workFolder, const TGFileInfo& info);

// The agent copy of a web setup: the launcher image with its header strings and a
// trailer marked as agent, without the code signature after the stored payload end
// (WebAgentCopyLength), written into the work folder. False when nothing was written (a
// name that leads out of the folder, or a tail that is no signature, is refused).
[[nodiscard]] bool WriteWebAgentCopy(const std::string& launcher, const std::string& workFolder,
                                     const std::string& agentName);

// "ForcePrompt" under the launcher's span-disk registry key is exactly "1".
bool ForcePromptSetting();
