// The two roles of an installed agent file. The plain agent (the file named as the
// payload's agent) never runs the agent itself: it copies itself to "X_" + its name,
// starts the copy and forwards its command line's requests to it as window messages.
// The X_ copy runs the agent and deletes itself at its end, so that an update can
// replace the plain agent's file meanwhile.
#pragma once

#include "agent/AgentFolders.h"

struct RunContext;

// Where the agent of this run is installed and writes: the X_ copy that runs from the
// user's own folder is told the agent's folder ("/AgentFolder="); every other role is
// in it.
AgentFiles AgentFilesOfRun(const RunContext& run);

// The launcher window in agent mode: an agent session over the files beside the
// launcher, its tick on every timer message and its answers to other processes'
// requests. The exit code of the last update's setup, or 0.
unsigned long RunAgentWindow(const RunContext& run);

// Plain agent: makes and starts the X_ copy, unless one runs and "/_ZZ=99" is not given.
// False when no copy runs: every start of it failed.
bool CreateAndRun_X_Exe(const RunContext& run);

// Plain agent: forwards "/STOP=", "/WM_MSG=" and "/TEST=" to the X_ copy, unless the
// copy was to be started and did not start (xStarted false).
void HandleParamOK(const RunContext& run, bool xWasRunning, bool xStarted);

// X_ copy: the agent's window and loop, then the self-delete.
unsigned long RunXCopy(const RunContext& run);
