#include "agent/UpdateCycle.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::string Text(const std::string& key) { return "[" + key + " PROG_NAME]"; }

Release Demo()
{
    Release r;
    r.downloadUrl = "http://h/upd";
    r.nameOfUpdateFile = "demo-12.exe";
    r.programName = "Demo";
    return r;
}

TEST(UpdateCycle, DownloadQuestionEndsWithThePartThatFitsWhatFollows)
{
    const struct {
        bool install, downloadForce;
        const char* text;
    } cases[] = {
        {false, false, "[s11 Demo][s12 Demo]"},
        {true, false, "[s11 Demo][s13 Demo]"},
        {false, true, "[s11 Demo][s18 Demo]"},
        {true, true, "[s11 Demo][s19 Demo]"},
    };
    for (const auto& c : cases) {
        Release r = Demo();
        r.confirmDownload = true;
        r.confirmInstall = c.install;
        r.confirmDownloadForce = c.downloadForce;
        EXPECT_EQ(DownloadQuestionText(r, Text), c.text) << c.install << c.downloadForce;
    }
}

TEST(UpdateCycle, InstallQuestionIsS20WhenForced)
{
    Release r = Demo();
    EXPECT_EQ(InstallQuestionText(r, Text), "[s14 Demo]");
    r.confirmInstallForce = true;
    EXPECT_EQ(InstallQuestionText(r, Text), "[s20 Demo]");
}

TEST(UpdateCycle, AnInteractiveCheckAsksNothing)
{
    const struct {
        bool confirm, force, interactive;
        QuestionStyle style;
    } cases[] = {
        {false, false, false, QuestionStyle::None},
        {false, true, false, QuestionStyle::None}, // forcing alone asks nothing
        {true, false, false, QuestionStyle::Ask},
        {true, true, false, QuestionStyle::Inform},
        {true, false, true, QuestionStyle::None},
        {true, true, true, QuestionStyle::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuestionStyleFor(c.confirm, c.force, c.interactive), c.style)
            << c.confirm << c.force << c.interactive;
}

// The cycle's choices for releases as their ".info" files describe them: the questions,
// the shutdown, the setup's windows, the message at the end and what is started again.
TEST(UpdateCycle, ChoicesForEachRelease)
{
    using Q = QuestionStyle;
    using O = ShutDownOutcome;
    struct Case {
        const char* what;
        std::function<void(Release&)> release;
        bool interactive;
        O outcome;      // what the shutdown found
        bool completed; // the update's setup reported completion
        // expected
        bool runs;
        Q download, install;
        ShutDownMethod shutDown;
        bool foreground;
        bool restartAfter;
        FinishBox finish;
    };
    const Case cases[] = {
        {"a quiet release", [](Release&) {}, false, O::NotRunning, true, true, Q::None, Q::None,
         ShutDownMethod::WaitOnly, true, false, FinishBox::None},
        {"no update file named", [](Release& r) { r.nameOfUpdateFile.clear(); }, false, O::NotRunning, true, false,
         Q::None, Q::None, ShutDownMethod::WaitOnly, true, false, FinishBox::None},
        {"no download address", [](Release& r) { r.downloadUrl.clear(); }, false, O::NotRunning, true, false, Q::None,
         Q::None, ShutDownMethod::WaitOnly, true, false, FinishBox::None},
        {"asks before the download and the install", [](Release& r) { r.confirmDownload = r.confirmInstall = true; },
         false, O::NotRunning, true, true, Q::Ask, Q::Ask, ShutDownMethod::WaitOnly, true, false, FinishBox::None},
        {"forced questions only inform",
         [](Release& r) {
             r.confirmDownload = r.confirmDownloadForce = r.confirmInstall = r.confirmInstallForce = true;
         },
         false, O::NotRunning, true, true, Q::Inform, Q::Inform, ShutDownMethod::WaitOnly, true, false,
         FinishBox::None},
        {"the user asked: no questions, but the finish message",
         [](Release& r) { r.confirmDownload = r.confirmInstall = true; }, true, O::NotRunning, true, true, Q::None,
         Q::None, ShutDownMethod::WaitOnly, true, false, FinishBox::Notice},
        {"closes the product and offers to start it again",
         [](Release& r) { r.shutDownMethod = "Using WM_CLOSE", r.restartProcess = r.informFinish = true; }, false,
         O::Stopped, true, true, Q::None, Q::None, ShutDownMethod::WmClose, true, true, FinishBox::AskRestart},
        {"restart asked, product was not running",
         [](Release& r) { r.shutDownMethod = "Using WM_QUIT", r.restartProcess = r.informFinish = true; }, false,
         O::NotRunning, true, true, Q::None, Q::None, ShutDownMethod::WmQuit, true, false, FinishBox::Notice},
        {"restart asked, product still runs",
         [](Release& r) { r.shutDownMethod = "Don't Shut Down", r.restartProcess = true; }, false, O::StillRunning,
         true, true, Q::None, Q::None, ShutDownMethod::DontShutDown, true, false, FinishBox::None},
        {"shutdown method names are exact", [](Release& r) { r.shutDownMethod = "using wm_close"; }, false,
         O::NotRunning, true, true, Q::None, Q::None, ShutDownMethod::WaitOnly, true, false, FinishBox::None},
        {"asks the user to close it", [](Release& r) { r.shutDownMethod = "Issue a Message Box"; }, false, O::Stopped,
         true, true, Q::None, Q::None, ShutDownMethod::AskToClose, true, false, FinishBox::None},
        {"in the background",
         [](Release& r) { r.backgroundUpdate = true, r.shutDownMethod = "Using Terminate Process"; }, false, O::Stopped,
         true, true, Q::None, Q::None, ShutDownMethod::Terminate, false, false, FinishBox::None},
        {"not completed: no finish message", [](Release& r) { r.restartProcess = r.informFinish = true; }, true,
         O::Stopped, false, true, Q::None, Q::None, ShutDownMethod::WaitOnly, true, true, FinishBox::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Release release = Demo();
        c.release(release);
        const CycleChoices choices = CycleChoicesFor(release, c.interactive, Text);
        EXPECT_EQ(choices.runs, c.runs);
        if (!c.runs)
            continue;
        EXPECT_EQ(choices.downloadQuestion, c.download);
        EXPECT_EQ(choices.downloadText, DownloadQuestionText(release, Text));
        EXPECT_EQ(choices.installQuestion, c.install);
        EXPECT_EQ(choices.installText, InstallQuestionText(release, Text));
        EXPECT_EQ(choices.shutDown, c.shutDown);
        EXPECT_EQ(choices.foreground, c.foreground);
        const bool restartAfter = RestartAfter(release, c.outcome);
        EXPECT_EQ(restartAfter, c.restartAfter);
        EXPECT_EQ(FinishBoxFor(release, c.interactive, c.completed, restartAfter), c.finish);
    }
}

TEST(UpdateCycle, TheReleaseSetsHowLongTheShutDownWaits)
{
    Release release = Demo();
    EXPECT_EQ(CycleChoicesFor(release, false, Text).shutDownWaitSeconds, 300);
    release.shutDownWaitSeconds = 20;
    EXPECT_EQ(CycleChoicesFor(release, false, Text).shutDownWaitSeconds, 20);
}

// Nothing is installed over a product that the method had to stop and that still runs.
TEST(UpdateCycle, AProductStillRunningPutsTheUpdateOff)
{
    using M = ShutDownMethod;
    using O = ShutDownOutcome;
    for (const M method : {M::AskToClose, M::WmClose, M::WmQuit, M::Terminate, M::WaitOnly}) {
        EXPECT_TRUE(PutsOff(method, O::StillRunning)) << static_cast<int>(method);
        EXPECT_FALSE(PutsOff(method, O::Stopped)) << static_cast<int>(method);
        EXPECT_FALSE(PutsOff(method, O::NotRunning)) << static_cast<int>(method);
    }
    EXPECT_FALSE(PutsOff(M::DontShutDown, O::StillRunning));
}

TEST(UpdateCycle, ProductStoppedForTheUpdateStartsAgainOnce)
{
    const struct {
        bool completed, stopped, restartAsked, agreed, starts;
    } cases[] = {
        {true, true, true, true, true},    {true, true, true, false, false}, // the user keeps it closed
        {true, true, false, true, false},                                    // the release does not ask for it
        {true, false, true, true, false},                                    // it was not running
        {false, true, true, true, true},                                     // not completed: it runs as before
        {false, true, false, false, true}, {false, false, true, true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartsProductAgain(c.completed, c.stopped, c.restartAsked, c.agreed), c.starts)
            << c.completed << c.stopped << c.restartAsked << c.agreed;
}

TEST(UpdateCycle, RestartedAgentWaitsForThisCopyAndKeepsTheOverrides)
{
    EXPECT_EQ(RestartAgentArguments("|255|1|255|255|255|255|255|255|"),
              "/_ZZ=99 /WAIT=10 /TRANSIENT=|255|1|255|255|255|255|255|255|");
    // An agent started with a limited lifetime ends without a successor.
    EXPECT_TRUE(RestartsAgent(-1));
    EXPECT_TRUE(RestartsAgent(0));
    EXPECT_FALSE(RestartsAgent(5));
}

} // namespace
