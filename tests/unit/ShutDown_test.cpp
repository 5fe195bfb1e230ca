#include "agent/ShutDown.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace {

using M = ShutDownMethod;

TEST(ShutDown, MethodsAreNamedExactly)
{
    struct Row {
        std::string text;
        M method;
        bool waits;
    };
    for (const Row& r : {Row{"Issue a Message Box", M::AskToClose, true}, Row{"Using WM_CLOSE", M::WmClose, true},
                         Row{"Using WM_QUIT", M::WmQuit, true}, Row{"Using Terminate Process", M::Terminate, true},
                         Row{"Don't Shut Down", M::DontShutDown, false}, Row{"using wm_close", M::WaitOnly, true},
                         Row{"Using WM_CLOSE ", M::WaitOnly, true}, Row{"", M::WaitOnly, true}}) {
        EXPECT_EQ(ShutDownMethodOf(r.text), r.method) << r.text;
        EXPECT_EQ(WaitsForEnd(ShutDownMethodOf(r.text)), r.waits) << r.text;
    }
}

TEST(ShutDown, Outcome)
{
    EXPECT_EQ(ShutDownOutcomeOf(false, false), ShutDownOutcome::NotRunning);
    EXPECT_EQ(ShutDownOutcomeOf(false, true), ShutDownOutcome::NotRunning); // started meanwhile: not ours to restart
    EXPECT_EQ(ShutDownOutcomeOf(true, true), ShutDownOutcome::StillRunning);
    EXPECT_EQ(ShutDownOutcomeOf(true, false), ShutDownOutcome::Stopped);
}

TEST(ShutDown, WaitLimitFromTheReleaseOrFiveMinutes)
{
    for (const auto& [fromRelease, seconds] : {std::pair<std::int64_t, std::int64_t>{0, 300},
                                               {-5, 300},
                                               {1, 1},
                                               {45, 45},
                                               {86400, 86400},
                                               {86401, 86400},
                                               {INT64_MAX, 86400}})
        EXPECT_EQ(ShutDownWaitSeconds(fromRelease), seconds) << fromRelease;
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
        // Split before any folder variable is expanded: the quote and the arguments
        // never reach the path's expansion.
        {"\"<InstallDir>..\\Other\\app.exe\" /tray", "<InstallDir>..\\Other\\app.exe", "/tray"},
        {"app.exe", "app.exe", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const ProgramCommand command = SplitProgramCommand(c.text);
        EXPECT_EQ(command.program, c.program) << c.text;
        EXPECT_EQ(command.arguments, c.arguments) << c.text;
    }
}

} // namespace
