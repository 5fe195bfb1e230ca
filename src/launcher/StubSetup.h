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
    // agent cannot write beside): unless this process already runs elevated, nothing is
    // unpacked and the outcome asks for an elevated setup (RunUpdateElevated).
    bool needsRights = false;
    // An update run for the agent: the engine learns it (/AutoUpdateProg).
    bool agentUpdate = false;
};

struct [[nodiscard]] SetupOutcome {
    unsigned long exitCode = 0; // the engine's, or one of the launcher's own (ExitCodes.h)
    bool completed = false;     // the engine removed its completion atom
    // The engine needs administrator rights and nothing was started: a setup must be
    // started elevated instead (EngineElevationStep), in setup mode the launcher itself,
    // in an update run the update setup file (RunUpdateElevated).
    bool relaunchElevated = false;
};

// Runs one setup: its outcome says how the process ends.
SetupOutcome SetupRun(LauncherWindow& view, const RunContext& run, const SetupRequest& request);

// An update run of the agent whose engine needs rights that the agent lacks: the held,
// verified update setup file (request.sourceFile) is started through the consent prompt
// with the update's arguments (AgentUpdateArguments; agentPath: the running agent's file),
// so that its elevated launcher unpacks where only administrators can write. Waits for
// it: completed when it ends with 0, and then the request's shortcuts are removed here.
// Declined consent ends the run as the user's answer.
SetupOutcome RunUpdateElevated(LauncherWindow& view, const SetupRequest& request, const std::string& agentPath);

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
