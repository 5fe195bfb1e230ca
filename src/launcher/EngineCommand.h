// The setup engine's command line, built from the run target and the launcher's
// arguments. Pure text work, so that every rule is tested natively.
#pragma once

#include <string>

// "_" + the thread id: unique per launcher process, shared by the completion atom and
// the engine's dialog class.
std::string EngineToken(unsigned long threadId);
std::string CompletionAtomName(const std::string& token);
std::string EngineDialogClass(const std::string& token);

// Deletes every occurrence of a switch (exact letter case), each from its first character
// up to the next "/" or the end; the blank before it stays, and quotes around whole
// arguments stay paired.
std::string RemoveSwitch(const std::string& text, const std::string& name);

struct EngineLaunch {
    std::string workFolder;   // without or with a trailing backslash
    std::string runTarget;    // program, optionally "*" and extra parameters
    std::string extraArgs;    // the launcher's own arguments
    std::string token;        // EngineToken
    std::string launcherPath; // written as /OriginExe= unless already present
    bool agentMode = false;   // adds /AutoUpdateProg
};

// The engine's file: the work folder and the run target's program part.
std::string EngineProgramPath(const EngineLaunch& launch);
// What follows the program path on the engine's command line; the span switches
// never reach it.
std::string EngineArguments(const EngineLaunch& launch);
// The command line the engine is started with: the program path, unquoted (engines
// parse their own path from it as is), a blank and the arguments.
std::string EngineCommandLine(const EngineLaunch& launch);

// Whether the engine may be started, and how. Nothing is ever started elevated from a
// folder that the unelevated user can write, where the user's own programs could swap the
// engine or plant a library before the consent: a launcher that is not elevated starts no
// engine elevated, it starts a setup elevated instead (in setup mode itself, in an update
// run of the agent the held update setup file), whose elevated launcher unpacks into a
// work folder that only administrators can write. An elevated launcher's work folder is
// such a folder already. needsRights: the engine is known to write where this user may
// not (an update that the agent cannot write beside), asked before anything is unpacked;
// plainError: the system's refusal of a plain start of the engine (0 before any start;
// ERROR_ELEVATION_REQUIRED, 740: the engine asks for administrator rights).
enum class ElevationStep {
    None,             // the engine starts plainly, or its start stands as it is
    ElevateEngine,    // start the engine through the consent prompt
    RelaunchLauncher, // start nothing unpacked; a setup is started elevated instead
};
ElevationStep EngineElevationStep(bool needsRights, unsigned long plainError, bool launcherElevated);

// The switch by which the agent tells the update setup that it starts elevated to run the
// update for it: its value names the agent copy to write. Such a launcher starts its
// engine as the agent would have (with /AutoUpdateProg), and neither this switch nor
// "/hide" reaches the engine.
constexpr const char* kAgentUpdateSwitch = "/AgentUpdate=";
// The update setup's arguments for that start: the update's own (extraArgs), the agent's
// path as /OriginExe=, the agent copy's name and "/hide" for an update in the background.
std::string AgentUpdateArguments(const std::string& extraArgs, const std::string& agentPath,
                                 const std::string& agentName, bool foreground);
// What such a launcher passes on to its engine of its own arguments.
std::string AgentUpdateEngineArguments(const std::string& arguments);
