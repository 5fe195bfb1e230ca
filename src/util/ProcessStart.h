// Starting other programs: the one way the launcher starts a process. The program's
// path is passed apart from its arguments, so that a path with blanks can never start
// another program ("C:\Program.exe" for "C:\Program Files\...").
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "util/ScopedWin.h"
#include "util/SysResult.h"

struct ProcessStart {
    std::string program;   // full path of the exe, taken as it is (no search)
    std::string arguments; // what follows the program path on its command line
    WORD show = SW_SHOWNORMAL;
    // The path heads the command line in quotes, unless the program reads its own path
    // from the command line as it is (the setup engine).
    bool quoteProgram = true;
};

struct StartedProcess {
    ScopedHandle process; // empty when the start failed
    DWORD error = 0;      // the system's error code of a failed start, taken at once
    explicit operator bool() const { return static_cast<bool>(process); }
};

// A program named by its bare file name, found as the system's start of a command line
// finds it: beside the running program first, then in the system's folders and on the
// search path. A path, or a name found nowhere, comes back as it is.
std::string FindProgramAsStartWould(const std::string& program);

// The command line the program reads.
std::string ProcessCommandLine(const ProcessStart& start);
// A plain start.
StartedProcess StartProcess(const ProcessStart& start);

// How a refused start is tried again: a file just written may be held for a moment (a
// virus scanner opens a new exe exclusively while it scans it; Wine has refused one too).
struct StartRetry {
    int tries = 5;       // starts in all
    DWORD pauseMs = 300; // between two tries, with this thread's messages serviced
};
// The system's error code of a failed try and the try's number, from 1.
using FailedStartTry = std::function<void(int tried, DWORD error)>;
// A plain start, tried again while it fails; failedTry hears of every failed try. When no
// try started it, the last try's error comes back.
StartedProcess StartProcessRetrying(const ProcessStart& start, const StartRetry& retry,
                                    const FailedStartTry& failedTry);
// A start through the system's elevation path: the user is asked for consent. A user
// who declines gives ERROR_CANCELLED.
// folder is its current folder (empty: the caller's).
StartedProcess StartElevated(const ProcessStart& start, const std::string& folder = std::string());

// Waits for the process to end with this thread's messages serviced, looking every
// pollMs. Its exit code, or 0 when it cannot be read. The process object decides the
// end, not the exit code: a program that exits with 259 (STILL_ACTIVE) ends the wait.
DWORD WaitForProcessPumping(HANDLE process, DWORD pollMs);
