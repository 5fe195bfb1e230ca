// Finding a running program by the path of its executable, finding its main window,
// asking it to close or ending it, and waiting until it has gone. Windows NT family
// only: processes are listed with the process-status functions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The ids of all processes in the system's order; empty when the list cannot be had.
std::vector<DWORD> ProcessIds();
// The process running the program at path (0 for none or an empty path). With two
// matches, the one listed last wins. With fullPathOnly the bare file name never matches.
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
// Returns once the process found for path (after a second's grace) is gone or timeoutMs
// (0: none) has passed, keeping this thread's windows alive meanwhile.
void WaitForProgramEnd(const std::string& path, DWORD timeoutMs);
