// The launcher process: its start sequence and the choice of its run mode.
#pragma once

struct RunContext;

// The start sequence; returns the process exit code (0, the setup engine's, or one of
// the launcher's own). A fault that nothing below caught ends with kExitFailed.
int StubMain();

// Runs the run's role: nothing (an instance runs), the CD spanning relaunch, the plain
// agent's hand-over, or the launcher window with the handlers of setup or agent mode.
// Returns the exit code.
unsigned long DoRunStubWin(const RunContext& run);
