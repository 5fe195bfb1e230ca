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

TEST(EngineCommand, AnEngineThatAsksForRightsIsStartedElevatedOnlyFromAnAdministratorsFolder)
{
    struct Row {
        unsigned long plainError;
        bool launcherElevated, agentRun;
        ElevationStep step;
    } rows[] = {
        {0, false, false, ElevationStep::None},               // started
        {2, false, false, ElevationStep::None},               // no such file: reported as it is
        {5, false, false, ElevationStep::None},               // access denied is no request for rights
        {740, false, false, ElevationStep::RelaunchLauncher}, // extracted where the user can write
        {740, true, false, ElevationStep::ElevateEngine},     // extracted where only administrators can
        {740, false, true, ElevationStep::ElevateEngine},     // an update run of the agent
    };
    for (const Row& r : rows)
        EXPECT_EQ(EngineElevationStep(r.plainError, r.launcherElevated, r.agentRun), r.step)
            << r.plainError << " " << r.launcherElevated << " " << r.agentRun;
}

} // namespace
