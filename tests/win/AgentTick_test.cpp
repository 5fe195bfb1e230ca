#include "agent/AgentTick.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "TestSession.h"
#include "agent/AgentRequest.h"
#include "util/UtilsWin.h"

namespace {

bool QuitPosted()
{
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

TEST(AgentTick, ShutdownCountdownQuitsOnTheTickAfterItRunsOut)
{
    struct Case {
        std::int32_t countdown;
        int quitTick; // 0: never within five ticks
    };
    for (const Case c : {Case{0, 1}, Case{2, 3}, Case{-1, 0}}) {
        SCOPED_TRACE(c.countdown);
        AgentSession session = MakeTestSession(TempFolder(false));
        PerformAgentRequest(session, static_cast<std::uint32_t>(AgentRequestCode::SetShutdownCountdown), c.countdown);
        int quitTick = 0;
        for (int tick = 1; tick <= 5 && quitTick == 0; ++tick) {
            AgentTimerTick(session);
            if (QuitPosted())
                quitTick = tick;
        }
        EXPECT_EQ(quitTick, c.quitTick);
    }
}

TEST(AgentTick, ClearsItsBusyFlagAndSkipsNestedTicks)
{
    AgentSession session = MakeTestSession(TempFolder(false));
    session.timerCount = -5;
    AgentTimerTick(session);
    AgentTimerTick(session);
    EXPECT_EQ(session.timerCount, -3);
    EXPECT_FALSE(session.tickBusy);
    EXPECT_EQ(session.state, AgentState::Idle);
    // A tick that arrives while one runs (dispatched from inside its waits) does nothing.
    session.tickBusy = true;
    AgentTimerTick(session);
    EXPECT_EQ(session.timerCount, -3);
}

} // namespace
