#include "launcher/RunContext.h"

#include <gtest/gtest.h>

namespace {

TEST(RunContext, RoleFromThePayloadTheNameAndTheSpanSwitch)
{
    struct Case {
        const char* what;
        bool agent;
        const char* name;
        std::int64_t span;
        bool fromDisks;
        RunRole role;
    };
    const Case cases[] = {
        {"a setup", false, "setup.exe", 1, false, RunRole::Setup},
        {"a setup named like its agent", false, "agent.exe", 1, false, RunRole::Setup},
        {"a setup from disks", false, "setup.exe", 1, true, RunRole::SpanRelaunch},
        {"its Y_ copy", false, "Y_setup.exe", 2, true, RunRole::Setup},
        {"the plain agent", true, "agent.exe", 1, false, RunRole::PlainAgent},
        {"the plain agent, any case and blanks", true, " AGENT.EXE ", 1, false, RunRole::PlainAgent},
        {"the X_ copy", true, "X_agent.exe", 1, false, RunRole::XCopy},
        {"an X_X_ file is neither", true, "X_X_agent.exe", 1, false, RunRole::Agent},
        {"the agent under another name", true, "renamed.exe", 1, false, RunRole::Agent},
        // The agent's own roles come first, as a copy of an agent from disks still hands over.
        {"a plain agent with the disk flag", true, "agent.exe", 1, true, RunRole::PlainAgent},
        {"a renamed agent with the disk flag", true, "renamed.exe", 1, true, RunRole::SpanRelaunch},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunRoleOf(c.agent, c.name, "agent.exe", c.span, c.fromDisks), c.role) << c.what;
}

TEST(RunContext, AFileWithoutPayloadIsASetupWhoseClassIsItsPath)
{
    const RunContext run("/nonexistent/kalvex-run-context/setup.exe", 2);
    EXPECT_FALSE(run.agentRun);
    EXPECT_EQ(run.role, RunRole::Setup);
    EXPECT_TRUE(run.spanCopy);
    EXPECT_EQ(run.ownName, "setup.exe");
    EXPECT_EQ(run.windowClass, "/nonexistent/kalvex-run-context/setup.exe");
}

TEST(RunContext, TheCopyFromRemovableDisksTakesTheClassOfTheSetupItRunsFor)
{
    // Its own path lies in a work folder that is new on every run.
    const RunContext copy("/tmp/SETUP_0123/Y_setup.exe", 2, "/media/cd/setup.exe.001");
    EXPECT_EQ(copy.windowClass, "/media/cd/setup.exe");
    // Its later volumes are on the disk.
    EXPECT_EQ(copy.volumeBase, "/media/cd/setup.exe");
    const RunContext setup("/media/cd/setup.exe", 1, "/media/cd/setup.exe.001");
    EXPECT_EQ(setup.windowClass, "/media/cd/setup.exe");
    EXPECT_EQ(setup.volumeBase, "/media/cd/setup.exe");
    EXPECT_EQ(RunContext("/tmp/Y_setup.exe", 2).volumeBase, "/tmp/Y_setup.exe");
}

} // namespace
