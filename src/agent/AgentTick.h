// The update agent's timer tick: on every timer message of its window, the schedule,
// and the check when one is due.
#pragma once

struct AgentSession;

void AgentTimerTick(AgentSession& session);
