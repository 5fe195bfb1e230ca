#include "util/CommandLineWin.h"

#include <gtest/gtest.h>

#include <string>

#include "util/Utils.h"

namespace {

TEST(CommandLine, ArgumentsDropTheProgram)
{
    const std::string args = CommandArgs();
    EXPECT_EQ(PosCI("win_tests", args), 0) << args;
    EXPECT_EQ(args, TrimText(args));
    if (!args.empty()) {
        EXPECT_GT(PosCI(args, RawCommandLine()), 0) << RawCommandLine();
    }
}

// The checks below need the process to be started with
//   "/OriginExe=Z:\a b\x.exe" /SpanCdLvl=2 /hide
// (a second CTest entry does so); without those arguments they are skipped.
bool Started() { return RawCommandLine().find("/OriginExe=Z:\\a b\\x.exe") != std::string::npos; }

TEST(CommandLine, SwitchValuesFromTheRealCommandLine)
{
    if (!Started())
        GTEST_SKIP() << "started without the marker arguments";
    EXPECT_EQ(SwitchValue("/OriginExe=", "d"), "Z:\\a b\\x.exe") << RawCommandLine();
    EXPECT_EQ(SwitchValue("/SpanCdLvl=", "d"), "2");
    EXPECT_EQ(SwitchInt("/SpanCdLvl=", 1), 2);
    EXPECT_EQ(SwitchInt("/SleepX=", 7), 7);
    EXPECT_EQ(SwitchValue("/SpanDiskFName1=", "none"), "none");
    EXPECT_TRUE(HasSwitch("/hide"));
    EXPECT_TRUE(HasSwitch("/spancdlvl=2"));
    EXPECT_FALSE(HasSwitch("/hid"));
}

TEST(CommandLine, ArgumentsKeepTheirQuotes)
{
    if (!Started())
        GTEST_SKIP() << "started without the marker arguments";
    const std::string args = CommandArgs();
    EXPECT_EQ(PosCI("win_tests", args), 0) << args;
    EXPECT_GT(PosCI("\"/OriginExe=Z:\\a b\\x.exe\"", args), 0) << args;
    EXPECT_TRUE(EndsWith("/SpanCdLvl=2 /hide", args, false)) << args;
}

} // namespace
