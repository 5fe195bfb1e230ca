// The launcher process: its start sequence, its run modes and the state that lives for
// the whole run (the descriptor of its own file, the run mode, the exit code).
#pragma once

#include <string>

class TGFileInfo;

// The start sequence; returns the process exit code (0, or the setup engine's).
int StubMain();

// The descriptor of the launcher's own file; valid while StubMain runs. StubMain opens
// it on the program file; tests of the window open it on a payload of their own.
void OpenOwnInfo(const std::string& path);
void CloseOwnInfo();
TGFileInfo& OwnInfo();
// Update-agent mode (trailer byte 69 of the own payload) rather than setup mode.
bool IsAgentRun();
// The class of the launcher's window, which is also the single-instance guard.
const std::string& OwnWindowClass();
void SetOwnWindowClass(const std::string& name);

// The exit code the process ends with; the setup run stores the engine's here.
void SetStubExitCode(unsigned long code);
unsigned long StubExitCode();

// Chooses and runs one mode: nothing (an instance runs), the CD spanning relaunch,
// or the launcher window.
void DoRunStubWin();
