#include "agent/ShutDown.h"

#include <gtest/gtest.h>

namespace {

using M = ShutDownMethod;

TEST(ShutDown, MethodsAreNamedExactly)
{
    struct Row { std::string text; M method; bool waits; };
    for (const Row& r : {Row{"Issue a Message Box", M::IssueMessageBox, true}, Row{"Using WM_CLOSE", M::WmClose, true},
                         Row{"Using WM_QUIT", M::WmQuit, true}, Row{"Using Terminate Process", M::Terminate, true},
                         Row{"Don't Shut Down", M::DontShutDown, false}, Row{"using wm_close", M::WaitOnly, true},
                         Row{"Using WM_CLOSE ", M::WaitOnly, true}, Row{"", M::WaitOnly, true}}) {
        EXPECT_EQ(ShutDownMethodOf(r.text), r.method) << r.text;
        EXPECT_EQ(WaitsForEnd(ShutDownMethodOf(r.text)), r.waits) << r.text;
    }
}

TEST(ShutDown, Outcome)
{
    EXPECT_EQ(ShutDownOutcome(false, false), 0);
    EXPECT_EQ(ShutDownOutcome(false, true), 0);  // started meanwhile: not ours to restart
    EXPECT_EQ(ShutDownOutcome(true, true), 1);
    EXPECT_EQ(ShutDownOutcome(true, false), 2);
}

TEST(ShutDown, CloseRequestNamesTheProgramFile)
{
    EXPECT_EQ(CloseRequestText("Close PROG_NAME.<P>PROG_NAME, prog_name", "C:\\Prog\\app.exe"),
              "Close app.exe.<P>app.exe, prog_name");
    EXPECT_EQ(CloseRequestText("", "C:\\Prog\\app.exe"), "");
}

TEST(ShutDown, RunningProcessMayCarryArgumentsAfterAQuotedPath)
{
    const struct {
        const char* text;
        const char* program;
        const char* arguments;
    } cases[] = {
        {"C:\\Program Files\\Demo\\demo.exe", "C:\\Program Files\\Demo\\demo.exe", ""},
        {"\"C:\\Program Files\\Demo\\demo.exe\"", "C:\\Program Files\\Demo\\demo.exe", ""},
        {" \"C:\\Demo\\demo.exe\"  /tray /x=\"a b\" ", "C:\\Demo\\demo.exe", "/tray /x=\"a b\""},
        {"\"C:\\Demo\\demo.exe", "C:\\Demo\\demo.exe", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const ProgramCommand command = SplitProgramCommand(c.text);
        EXPECT_EQ(command.program, c.program) << c.text;
        EXPECT_EQ(command.arguments, c.arguments) << c.text;
    }
}

}  // namespace
