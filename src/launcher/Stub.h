// The launcher process: its start sequence and the choice of its run mode.
#pragma once

#include "launcher/AgentRoles.h"

struct RunContext;

// The start sequence; returns the process exit code (0, or the setup engine's).
int StubMain();

// Chooses and runs one mode: nothing (an instance runs), the CD spanning relaunch,
// or the launcher window with the handlers of setup or agent mode.
void DoRunStubWin(RunContext& run);
