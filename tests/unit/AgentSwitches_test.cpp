#include "launcher/AgentSwitches.h"

#include <gtest/gtest.h>

namespace {

TEST(AgentSwitches, XCopyGetsOnlyTheSwitchesThatWereGiven)
{
    EXPECT_EQ(XCopyArguments("", ""), "");
    EXPECT_EQ(XCopyArguments("|1|2|", ""), " /TRANSIENTx=|1|2|");
    EXPECT_EQ(XCopyArguments("", "30"), " /SleepX=30");
    EXPECT_EQ(XCopyArguments("|1|", "5"), " /TRANSIENTx=|1| /SleepX=5");
    // A copy that runs from the user's own folder learns where the agent is installed.
    EXPECT_EQ(XCopyArguments("", "5", "C:\\Program Files\\P\\"), " \"/AgentFolder=C:\\Program Files\\P\" /SleepX=5");
}

TEST(AgentSwitches, LocalMessageReadsTwoNumbers)
{
    const struct {
        const char* value;
        std::int64_t window, message;
    } cases[] = {
        {"1234:1025", 1234, 1025}, {"1234", 1234, 0}, {"x:1025", 0, 1025}, {"", 0, 0}, {"1:2:3", 1, 2},
    };
    for (const auto& c : cases) {
        const LocalMessage m = ParseLocalMessage(c.value);
        EXPECT_EQ(m.window, c.window) << c.value;
        EXPECT_EQ(m.message, c.message) << c.value;
    }
}

TEST(AgentSwitches, XCopyNameAndWindowClass)
{
    EXPECT_EQ(XCopyName("demoagent.exe"), "X_demoagent.exe");
    EXPECT_EQ(AgentWindowClass("X_demoagent.exe"), ".AutoUpdate.X_demoagent");
    EXPECT_EQ(AgentWindowClass("agent.v2.exe"), ".AutoUpdate.agent.v2");
}

} // namespace
