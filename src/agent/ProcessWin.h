// Finding a running program by the path of its executable, finding its main window,
// asking it to close or ending it, and waiting until it has gone. Windows NT family
// only: processes are listed with the process-status functions.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "util/ScopedWin.h"

// The ids of all processes in the system's order; empty when the list cannot be had.
std::vector<DWORD> ProcessIds();

// A running process of the program, held open: waiting on the handle follows that very
// process, whatever the system does with its id after it has ended.
struct FoundProgram {
    DWORD pid = 0; // 0: none
    ScopedHandle process;
};
// Whether a process is of this user's session: another user's copy of the product (a
// terminal server, a switched user) is not the one this user's agent stops or waits
// for. Where the system cannot tell this process's session, every process is.
bool InThisSession(DWORD pid);
// The process running the program at path (none for an empty path), among those that
// count: by default the processes of this user's session. With two matches, the one
// listed last wins. With fullPathOnly the bare file name never matches.
FoundProgram FindProgram(const std::string& path, bool fullPathOnly,
                         const std::function<bool(DWORD)>& counts = InThisSession);
DWORD FindProgramProcess(const std::string& path, bool fullPathOnly);
// The path may be quoted; its bare file name also matches.
bool IsProgramRunning(const std::string& path);
// The process's visible, titled window that owns most of its other windows; none when
// it has only invisible, untitled windows that own nothing.
HWND FindMainWindow(const std::string& path, bool fullPathOnly);
// True when a main window was found and the message posted to it.
bool PostToProgram(const std::string& path, bool fullPathOnly, UINT message, WPARAM wParam, LPARAM lParam);
// True when the process was found and ended (exit code 0).
bool TerminateProgram(const std::string& path, bool fullPathOnly);
// Waits, keeping this thread's windows alive, until the process found for path (after a
// second's grace) has ended: true then, or when none runs. False when timeoutMs passed
// first or stopping() said to give up.
bool WaitForProgramEnd(const std::string& path, DWORD timeoutMs, const std::function<bool()>& stopping = {});
