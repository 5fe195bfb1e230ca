// Starting other programs: the one way the launcher starts a process. The program's
// path is passed apart from the command line, so that a path with blanks on an unquoted
// command line can never start another program ("C:\Program.exe" for
// "C:\Program Files\...").
#pragma once

#include <windows.h>

#include <string>

#include "util/ScopedWin.h"

struct ProcessStart {
    std::string program;      // full path of the exe, taken as it is (no search)
    std::string commandLine;  // the whole line the program reads, its own path first
    WORD show = SW_SHOWNORMAL;
};

struct StartedProcess {
    ScopedHandle process;  // empty when the start failed
    DWORD id = 0;
    DWORD error = 0;       // the system's error code of a failed start, taken at once
    explicit operator bool() const { return static_cast<bool>(process); }
};

// The usual start: the command line is the quoted path, a blank and the arguments.
ProcessStart ProgramWithArguments(const std::string& program, const std::string& arguments, WORD show = SW_SHOWNORMAL);
StartedProcess StartProcess(const ProcessStart& start);

// Waits for the process to end with this thread's messages serviced, looking every
// pollMs. Its exit code, or 0 when it cannot be read. The process object decides the
// end, not the exit code: a program that exits with 259 (STILL_ACTIVE) ends the wait.
DWORD WaitForProcessPumping(HANDLE process, DWORD pollMs);
