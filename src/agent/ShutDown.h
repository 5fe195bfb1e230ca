// The ways the update agent stops the running product (the ".info" value ShutDownMethod)
// and what the shutdown sequence reports. The sequence itself is in agent/ShutDownWin.h.
#pragma once

#include <cstdint>
#include <string>

enum class ShutDownMethod {
    AskToClose,   // "Issue a Message Box": ask the user until the program has gone
    WmClose,      // "Using WM_CLOSE"
    WmQuit,       // "Using WM_QUIT"
    Terminate,    // "Using Terminate Process"
    DontShutDown, // "Don't Shut Down"
    WaitOnly,     // any other text, empty included: only wait
};

// The texts are compared exactly, letter case included.
ShutDownMethod ShutDownMethodOf(const std::string& text);
// Every method but "Don't Shut Down" waits for the program's end.
bool WaitsForEnd(ShutDownMethod method);

// How long the shutdown sequence waits for the program to end: the release's
// [NewSetup] ShutDownWaitSeconds, at most a day, or five minutes where it names none
// (or not a positive number). A program still running then puts the update off.
constexpr std::int64_t kDefaultShutDownWaitSeconds = 300;
constexpr std::int64_t kLongestShutDownWaitSeconds = 86400;
std::int64_t ShutDownWaitSeconds(std::int64_t fromRelease);

// What the shutdown sequence found. The update cycle starts the program again afterwards
// only when it stopped it.
enum class ShutDownOutcome {
    NotRunning = 0,
    StillRunning = 1, // it was running and still runs
    Stopped = 2,      // it was running and has ended
};
ShutDownOutcome ShutDownOutcomeOf(bool wasRunning, bool stillRunning);

// RunningProcess names the program, and may give the arguments it is restarted with
// after an update: a quoted path followed by them ("\"C:\\Demo\\demo.exe\" /tray").
// Unquoted, the whole text is the path, blanks included.
struct ProgramCommand {
    std::string program;
    std::string arguments;
};
ProgramCommand SplitProgramCommand(const std::string& text);

// The request to close the program: the text with every "PROG_NAME" (exact case)
// replaced by the program's file name.
std::string CloseRequestText(const std::string& text, const std::string& programPath);
