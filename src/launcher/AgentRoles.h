// The two roles of an installed agent file. The plain agent (the file named as the
// payload's agent) never runs the agent itself: it copies itself to "X_" + its name,
// starts the copy and forwards its command line's requests to it as window messages.
// The X_ copy runs the agent and deletes itself at its end, so that an update can
// replace the plain agent's file meanwhile.
#pragma once

#include "launcher/LauncherWindow.h"

struct RunContext;

// The handlers both modes give the window: other processes may ask for the agent's
// values and stop it, whichever mode runs.
WindowHandlers AgentRequestHandlers();

// The launcher window in agent mode: the agent's tick on every timer message, with the
// window, the notify window and the setup run handed to the agent.
void RunAgentWindow(RunContext& run);

// Plain agent: makes and starts the X_ copy, unless one runs and "/_ZZ=99" is not given.
void CreateAndRun_X_Exe(const RunContext& run);

// Plain agent: forwards "/STOP=", "/WM_MSG=" and "/TEST=" to the X_ copy.
void HandleParamOK(bool xWasRunning);

// X_ copy: the agent's window and loop, then the self-delete.
void RunXCopy(RunContext& run);
