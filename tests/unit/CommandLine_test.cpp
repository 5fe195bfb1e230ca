#include "util/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, CommandArgsOf)
{
    struct Case {
        const char* raw;
        const char* program;
        const char* want;
    } cases[] = {
        {"\"Z:\\tmp\\x\\setup.exe\" /X=1 \"/Y=a b\"", "Z:\\tmp\\x\\setup.exe", "/X=1 \"/Y=a b\""},
        {"Z:\\tmp\\x\\SETUP.EXE  /X=1 ", "Z:\\tmp\\x\\setup.exe", "/X=1"},
        {"setup /X=1", "Z:\\tmp\\x\\setup.exe", "setup /X=1"}, // name absent, path absent
        {"\"Z:\\tmp\\x\\setup.exe\"", "Z:\\tmp\\x\\setup.exe", ""},
        {"Z:\\tmp\\x\\setup.exe \"", "Z:\\tmp\\x\\setup.exe", ""}, // a lone remaining character
        {"\"Z:\\a b\\setup.exe\" /hide", "Z:\\a b\\setup.exe", "/hide"},
        {"  /X=1  ", "", "/X=1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandArgsOf(c.raw, c.program), c.want) << c.raw;
}

TEST(CommandLine, Switches)
{
    const std::string args = "/SpanCdLvl=2 \"/OriginExe=Z:\\a b\\x.exe\" /hide /Empty= /Num = 12 ";
    struct Case {
        const char* sw;
        const char* def;
        const char* want;
    } cases[] = {
        {"/SpanCdLvl=", "d", "2"},
        {"/OriginExe=", "d", "Z:\\a b\\x.exe"},
        {"/originexe", "d", "Z:\\a b\\x.exe"}, // "=" is added, case ignored
        {" /Empty= ", "d", ""},                // present but empty
        {"/Num=", "d", "12"},                  // a blank before "=" is tolerated
        {"/Missing=", "d", "d"},
        {"/Span=", "d", "d"}, // only whole names match
        {"", "d", "d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SwitchValueIn(args, c.sw, c.def), c.want) << c.sw;

    EXPECT_EQ(SwitchIntIn(args, "/SpanCdLvl=", 1), 2);
    EXPECT_EQ(SwitchIntIn(args, "/Absent=", 7), 7);
    EXPECT_EQ(SwitchIntIn(args, "/OriginExe=", 7), 7); // not a number
    EXPECT_EQ(SwitchIntIn(args, "/Empty=", 7), 7);
    EXPECT_TRUE(HasSwitchIn(args, "/spancdlvl=2"));
    EXPECT_TRUE(HasSwitchIn("/a /hide", "/HIDE"));
    EXPECT_FALSE(HasSwitchIn("/hidden", "/hide"));
    EXPECT_FALSE(HasSwitchIn("/a b", ""));

    // With "-" as the switch character, "/" inside values is plain text.
    const std::string dash = "-dir=C:/x y/z -n=3";
    EXPECT_EQ(SwitchValueIn(dash, "-dir=", "d"), "C:/x y/z");
    EXPECT_EQ(SwitchIntIn(dash, "-n", 0), 3);
    EXPECT_EQ(SwitchValueIn(dash, "/n=", "d"), "d");
}

} // namespace
