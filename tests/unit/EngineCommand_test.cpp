#include "launcher/EngineCommand.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    EngineLaunch launch;
    const char* expected;
};

TEST(EngineCommand, LinesForTheRunTargetShapes)
{
    const Case cases[] = {
        {"star with parameters and launcher arguments",
         {"C:\\T\\SETUP_1", "Engine.exe*/S", "/X=1", "_77", "C:\\in\\setup.exe", false},
         "C:\\T\\SETUP_1\\Engine.exe /X=1 /S /TH_ID=_77 /OriginExe=\"C:\\in\\setup.exe\""},
        {"no star keeps the launcher arguments",
         {"C:\\T\\SETUP_1\\", "Engine.exe", "/X=1 \"/Y=a b\"", "_5", "C:\\s.exe", false},
         "C:\\T\\SETUP_1\\Engine.exe /X=1 \"/Y=a b\" /TH_ID=_5 /OriginExe=\"C:\\s.exe\""},
        {"no arguments at all",
         {"C:\\W", "Engine.exe", "", "_5", "C:\\s.exe", false},
         "C:\\W\\Engine.exe /TH_ID=_5 /OriginExe=\"C:\\s.exe\""},
        {"OriginExe already given (the Y_ copy)",
         {"C:\\W", "Engine.exe", "/OriginExe=\"D:\\setup.exe\"", "_5", "C:\\W\\Y_setup.exe", false},
         "C:\\W\\Engine.exe /OriginExe=\"D:\\setup.exe\" /TH_ID=_5"},
        {"span switches never reach the engine",
         {"C:\\W", "Engine.exe",
          "/A=1 /SpanCdLvl=2 /SpanDiskFName1=\"D:\\a b\\setup.exe.001\" /OriginExe=\"D:\\setup.exe\"", "_5",
          "C:\\W\\Y_setup.exe", false},
         "C:\\W\\Engine.exe /A=1 /OriginExe=\"D:\\setup.exe\" /TH_ID=_5"},
        {"span switches given twice (the user's and a relaunch's) never reach the engine",
         {"C:\\W", "Engine.exe", "/SpanCdLvl=1 /A=1 /SpanCdLvl=2 /SpanDiskFName1=\"D:\\s.exe.001\"", "_5", "C:\\s.exe",
          false},
         "C:\\W\\Engine.exe /A=1 /TH_ID=_5 /OriginExe=\"C:\\s.exe\""},
        {"agent mode",
         {"C:\\W", "Engine.exe * /S ", "", "_9", "C:\\s.exe", true},
         "C:\\W\\Engine.exe /S /TH_ID=_9 /OriginExe=\"C:\\s.exe\" /AutoUpdateProg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EngineCommandLine(c.launch), c.expected) << c.name;
}

TEST(EngineCommand, RemoveSwitchKeepsTheBlankAndIsCaseExact)
{
    EXPECT_EQ(RemoveSwitch("a /SpanCdLvl=2 /b", "/SpanCdLvl="), "a /b");
    EXPECT_EQ(RemoveSwitch("a /SpanCdLvl=2", "/SpanCdLvl="), "a ");
    EXPECT_EQ(RemoveSwitch("a /spancdlvl=2 /b", "/SpanCdLvl="), "a /spancdlvl=2 /b");
    EXPECT_EQ(RemoveSwitch("", "/SpanCdLvl="), "");
    // Quoted whole arguments, before and after the removed one, keep their quotes paired.
    EXPECT_EQ(RemoveSwitch("a /SpanDiskFName1=x.001 \"/OriginExe=C:\\a b\\s.exe\" /T", "/SpanDiskFName1="),
              "a \"/OriginExe=C:\\a b\\s.exe\" /T");
    EXPECT_EQ(RemoveSwitch("a \"/SpanDiskFName1=C:\\a b\\x.001\" /T=1", "/SpanDiskFName1="), "a /T=1");
    // Given twice (the user's own and a relaunch's): neither stays.
    EXPECT_EQ(RemoveSwitch("/SpanCdLvl=1 /X /SpanCdLvl=2 /Y", "/SpanCdLvl="), "/X /Y");
    // A name that is itself a quote still goes (and the removal ends).
    EXPECT_EQ(RemoveSwitch("e \"/S/Side=", "\""), "e /S/Side=");
}

TEST(EngineCommand, TokenNames)
{
    EXPECT_EQ(EngineToken(412), "_412");
    EXPECT_EQ(CompletionAtomName("_412"), "AutoUpdateAtomTokenByKalvex_412");
    EXPECT_EQ(EngineDialogClass("_412"), ".SDialog_Class_Name._412");
}

TEST(EngineCommand, AnEngineThatNeedsRightsIsStartedElevatedOnlyFromAnAdministratorsFolder)
{
    using S = ElevationStep;
    struct Row {
        bool needsRights;
        unsigned long plainError;
        bool launcherElevated;
        ElevationStep step;
    } rows[] = {
        {false, 0, false, S::None},               // before the start, or started
        {false, 2, false, S::None},               // no such file: reported as it is
        {false, 5, false, S::None},               // access denied is no request for rights
        {false, 740, false, S::RelaunchLauncher}, // unpacked where the user can write
        {false, 740, true, S::ElevateEngine},     // unpacked where only administrators can
        {true, 0, false, S::RelaunchLauncher},    // an update the agent cannot write beside
        {true, 740, false, S::RelaunchLauncher},
        {true, 0, true, S::None}, // an elevated agent writes there itself
        {true, 740, true, S::ElevateEngine},
    };
    for (const Row& r : rows)
        EXPECT_EQ(EngineElevationStep(r.needsRights, r.plainError, r.launcherElevated), r.step)
            << r.needsRights << " " << r.plainError << " " << r.launcherElevated;
}

TEST(EngineCommand, AnElevatedUpdateSetupStartsTheEngineAsTheAgentWould)
{
    const std::string info = "/OriginalInfoFile=\"C:\\Users\\u\\A\\Sample.info\"";
    const std::string agent = "C:\\Users\\u\\A\\X_agent.exe";
    EXPECT_EQ(AgentUpdateArguments(info, agent, "agent.exe", true),
              info + " /OriginExe=\"" + agent + "\" /AgentUpdate=\"agent.exe\"");
    const std::string hidden = AgentUpdateArguments(info, agent, "agent.exe", false);
    EXPECT_EQ(hidden, info + " /OriginExe=\"" + agent + "\" /AgentUpdate=\"agent.exe\" /hide");

    // The engine's line: the update's arguments and the agent's path, and /AutoUpdateProg
    // as in the agent's own run; nothing meant for the launcher.
    EngineLaunch launch{"C:\\W\\SETUP_1",
                        "Engine.exe",
                        AgentUpdateEngineArguments(hidden),
                        "_9",
                        "C:\\Users\\u\\A\\Fetch\\setup.1-2.exe",
                        true};
    EXPECT_EQ(EngineArguments(launch), info + " /OriginExe=\"" + agent + "\" /TH_ID=_9 /AutoUpdateProg");
}

} // namespace
