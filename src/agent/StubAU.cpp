#include "agent/StubAU.h"

#include <string>

#include "util/KDebug.h"

AgentState& Agent()
{
    static AgentState state;
    return state;
}

// The schedule: mode switch, shutdown countdown and timer count. The update check
// itself joins here when the agent's check is built; until then a due tick only logs.
void AgentTimerTick(HWND)
{
    AgentState& a = Agent();
    if (a.tickBusy)
        return;
    a.tickBusy = true;
    a.state = 0;
    if (a.mode == 2)
        a.mode = 1;
    if (a.mode == 1)
        a.timerCount = 0;
    if (a.shutdownCountdown == 0)
        PostQuitMessage(0);
    if (a.shutdownCountdown >= 0)
        --a.shutdownCountdown;
    ++a.timerCount;
    TraceLine(std::to_string(GetCurrentProcessId()), " AutoUpdateTimerCount=", a.timerCount);
    if (a.timerCount >= 1 && a.mode == 1)
        a.mode = 0;
    a.state = 0;
    a.tickBusy = false;
}
