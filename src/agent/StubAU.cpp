#include "agent/StubAU.h"

#include <string>

#include "util/Guard.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

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
    // A tick dispatched while an earlier one waits does nothing; the flag clears
    // however the tick ends.
    const BusyGuard busy(a.tickBusy);
    if (!busy.Entered())
        return;
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
    TraceLine(ProcessIdText(), " AutoUpdateTimerCount=", a.timerCount);
    if (a.timerCount >= 1 && a.mode == 1)
        a.mode = 0;
    a.state = 0;
}
