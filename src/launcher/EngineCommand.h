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

// What follows a plain start of the engine that the system refused with plainError
// (ERROR_ELEVATION_REQUIRED, 740: the engine asks for administrator rights). Nothing is
// ever started elevated from a folder that the unelevated user can write, where the
// user's own programs could swap the engine or plant a library before the consent: a
// launcher that is not elevated starts itself again through the consent prompt, and its
// elevated copy unpacks into a work folder that only administrators can write. An
// elevated launcher's work folder is such a folder already, and an update run of the
// agent still elevates its engine where it is.
enum class ElevationStep {
    None,             // the start stands as it is (started, or failed for another reason)
    ElevateEngine,    // start the engine through the consent prompt
    RelaunchLauncher, // start nothing; the launcher starts itself elevated instead
};
ElevationStep EngineElevationStep(unsigned long plainError, bool launcherElevated, bool agentRun);
