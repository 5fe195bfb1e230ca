// The setup run: unpack the payload, confirm temp space, start the setup engine, wait
// for it and its dialog, and learn from the completion atom whether it finished.
#pragma once

#include <windows.h>

#include <string>

class TGFileInfo;
struct RunContext;

// The first timer tick of a setup-mode launcher: runs the whole setup, then ends the
// message loop.
void SetupTick(HWND window, RunContext& run);

// True when the engine removed its completion atom. The engine's exit code goes to the run.
bool SetupRun(RunContext& run, const std::string& workFolder, const std::string& sourceFile, const std::string& agentName,
              const std::string& extraArgs, bool foreground);

// A web setup: takes the setup file from source (a folder beside the launcher) or
// downloads it from source + "/" + fileName into the temp folder, checks that it carries
// the launcher's own download token and runs it through SetupRun. Shows its own messages.
void WebSetupRun(RunContext& run, const std::string& workFolder, const std::string& source,
                 const std::string& fileName);

// Asks before extracting when the payload wants the drive named or space is short.
bool SpaceConfirm(const std::string& workFolder, const TGFileInfo& info);

// The agent copy of a web setup: the launcher image with its header strings and a
// trailer marked as agent, without a short tail (a signature) after the stored payload
// end, written into the work folder. False when nothing was written (a name that leads
// out of the folder is refused).
bool WriteWebAgentCopy(const std::string& launcher, const std::string& workFolder, const std::string& agentName);

// "ForcePrompt" under the launcher's span-disk registry key is exactly "1".
bool ForcePromptSetting();
