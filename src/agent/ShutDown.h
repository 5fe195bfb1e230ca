// The ways the update agent stops the running product (the ".info" value ShutDownMethod)
// and what the shutdown sequence reports. The sequence itself is in agent/ShutDownWin.h.
#pragma once

#include <string>

enum class ShutDownMethod {
    // Not MessageBox: <windows.h> renames that to MessageBoxA in the files that include it.
    IssueMessageBox,  // "Issue a Message Box": ask the user until the program has gone
    WmClose,          // "Using WM_CLOSE"
    WmQuit,           // "Using WM_QUIT"
    Terminate,        // "Using Terminate Process"
    DontShutDown,     // "Don't Shut Down"
    WaitOnly,         // any other text, empty included: only wait
};

// The texts are compared exactly, letter case included.
ShutDownMethod ShutDownMethodOf(const std::string& text);
// Every method but "Don't Shut Down" waits for the program's end.
bool WaitsForEnd(ShutDownMethod method);

// 0: the program was not running; 1: it was and still runs; 2: it was and has ended.
// The update cycle restarts the program afterwards only for 2.
constexpr int kProgramStopped = 2;
int ShutDownOutcome(bool wasRunning, bool stillRunning);

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
