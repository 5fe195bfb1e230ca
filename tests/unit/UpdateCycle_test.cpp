#include "agent/UpdateCycle.h"

#include <gtest/gtest.h>

namespace {

std::string Text(const std::string& key) { return "[" + key + " PROG_NAME]"; }

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
        CycleQuestions q;
        q.confirmDownload = true;
        q.confirmInstall = c.install;
        q.confirmDownloadForce = c.downloadForce;
        EXPECT_EQ(DownloadQuestionText(q, Text, "Demo"), c.text) << c.install << c.downloadForce;
    }
}

TEST(UpdateCycle, InstallQuestionIsS20WhenForced)
{
    CycleQuestions q;
    EXPECT_EQ(InstallQuestionText(q, Text, "Demo"), "[s14 Demo]");
    q.confirmInstallForce = true;
    EXPECT_EQ(InstallQuestionText(q, Text, "Demo"), "[s20 Demo]");
}

TEST(UpdateCycle, AnInteractiveCheckAsksNothing)
{
    const struct {
        bool confirm, force, interactive;
        QuestionStyle style;
    } cases[] = {
        {false, false, false, QuestionStyle::None},
        {false, true, false, QuestionStyle::None},  // forcing alone asks nothing
        {true, false, false, QuestionStyle::Ask},
        {true, true, false, QuestionStyle::Inform},
        {true, false, true, QuestionStyle::None},
        {true, true, true, QuestionStyle::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuestionStyleFor(c.confirm, c.force, c.interactive), c.style)
            << c.confirm << c.force << c.interactive;
}

TEST(UpdateCycle, ProductStoppedForTheUpdateStartsAgainOnce)
{
    const struct {
        bool completed, stopped, restartAsked, agreed, starts;
    } cases[] = {
        {true, true, true, true, true},
        {true, true, true, false, false},   // the user keeps it closed
        {true, true, false, true, false},   // the release does not ask for it
        {true, false, true, true, false},   // it was not running
        {false, true, true, true, true},    // not completed: it runs as before
        {false, true, false, false, true},
        {false, false, true, true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartsProductAgain(c.completed, c.stopped, c.restartAsked, c.agreed), c.starts)
            << c.completed << c.stopped << c.restartAsked << c.agreed;
}

TEST(UpdateCycle, RestartedAgentWaitsForThisCopyAndKeepsTheOverrides)
{
    EXPECT_EQ(RestartAgentArguments("|255|1|255|255|255|255|255|255|"),
              "/_ZZ=99 /WAIT=10 /TRANSIENT=|255|1|255|255|255|255|255|255|");
}

} // namespace
