#include "ui/KProgBar.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"

namespace {

struct Bar {
    int position, low, high;
    bool operator==(const Bar& o) const { return position == o.position && low == o.low && high == o.high; }
};
std::ostream& operator<<(std::ostream& os, const Bar& b)
{
    return os << b.position << " of " << b.low << ".." << b.high;
}

Bar StateOf(HWND bar)
{
    PBRANGE range{};
    ::SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    return {static_cast<int>(::SendMessageA(bar, PBM_GETPOS, 0, 0)), range.iLow, range.iHigh};
}

// Steps are shown at most every 40 ms: the state once the refresh timer has had its turn.
Bar Settled(HWND bar)
{
    SleepPumping(0, 100);
    return StateOf(bar);
}

// A window with the launcher's two bars, handed to ProgressSink.
class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::InitCommonControls();
        window_.reset(::CreateWindowExA(0, "STATIC", "progress", WS_OVERLAPPEDWINDOW, 0, 0, 492, 110, nullptr, nullptr,
                                        nullptr, nullptr));
        main_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 70, 38, 392, 13, window_.get(),
                                  nullptr, nullptr, nullptr);
        activity_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 416, 20, 46, 13, window_.get(), nullptr,
                                      nullptr, nullptr);
        ASSERT_TRUE(main_ && activity_);
        SetProgressBars(main_, activity_);
    }
    void TearDown() override { SetProgressBars(nullptr, nullptr); }

    ScopedWindow window_;
    HWND main_ = nullptr;
    HWND activity_ = nullptr;
};

struct Event {
    int kind, value, maximum;
    std::string text;
    bool operator==(const Event& o) const
    {
        return kind == o.kind && value == o.value && maximum == o.maximum && text == o.text;
    }
};
std::ostream& operator<<(std::ostream& os, const Event& e)
{
    return os << "{" << e.kind << "," << e.value << "," << e.maximum << ",'" << e.text << "'}";
}
std::vector<Event> g_events;
void Record(TProgBar&, int kind, int value, int maximum, const std::string& text)
{
    g_events.push_back({kind, value, maximum, text});
}

TEST_F(ProgressWindow, StepsMoveBothBarsAndDoneEmptiesThem)
{
    TProgBar bar(ProgressSink);
    // Steps before the range is set must not shift the activity cycle that follows.
    bar.ReportText("early");
    bar.ReportText("early");
    bar.ReportProgress(3, 10);
    EXPECT_EQ(StateOf(main_), (Bar{3, 0, 10}));
    EXPECT_EQ(StateOf(activity_), (Bar{0, 0, 5}));

    const int cycle[] = {1, 2, 3, 4, 5, 0};
    for (int i = 0; i < 6; ++i) {
        bar.ReportText("rate");
        EXPECT_EQ(Settled(main_).position, 4 + i);
        EXPECT_EQ(StateOf(activity_).position, cycle[i]);
    }

    bar.ReportDone(0, 0);
    EXPECT_EQ(StateOf(main_), (Bar{0, 0, 0}));
    EXPECT_EQ(StateOf(activity_), (Bar{0, 0, 5}));
}

TEST_F(ProgressWindow, MaximumIsCutToSixteenBits)
{
    const std::pair<int, int> cases[] = {{65535, 65535}, {65536 + 20, 20}, {0x12345, 0x2345}};
    for (const auto& [maximum, shown] : cases) {
        ProgressSink(0, 7, maximum, 5, 1, "");
        EXPECT_EQ(StateOf(main_), (Bar{5, 0, shown})) << maximum;
    }
}

int g_barChanges = 0;
WNDPROC g_barProc = nullptr;
LRESULT CALLBACK CountingBarProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == PBM_SETPOS || m == PBM_STEPIT || m == PBM_DELTAPOS)
        ++g_barChanges;
    return ::CallWindowProcA(g_barProc, w, m, wp, lp);
}

TEST_F(ProgressWindow, FastStepsAreShownTogetherAndTheLastOneIsNotLost)
{
    ProgressSink(0, 0, 1000, 0, 1, "");
    g_barChanges = 0;
    g_barProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingBarProc)));
    for (int i = 0; i < 500; ++i)
        ProgressSink(1, 0, 0, 0, 0, "");
    // Five hundred steps in a burst: the control hears of a few of them, not of each.
    EXPECT_LT(g_barChanges, 20);
    EXPECT_EQ(Settled(main_), (Bar{500, 0, 1000}));
    EXPECT_EQ(StateOf(activity_).position, 500 % 6);

    // After a quiet spell a step is shown at once.
    ::Sleep(60);
    ProgressSink(1, 0, 0, 0, 0, "");
    EXPECT_EQ(StateOf(main_).position, 501);
    ::SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_barProc));
}

TEST_F(ProgressWindow, StepsPastEitherEndWrapAsTheControlDoes)
{
    struct Case {
        int maximum, position, step, expected;
    };
    const Case cases[] = {{10, 9, 3, 2}, {10, 1, -3, 8}, {10, 0, 10, 10}, {0, 0, 1, 0}};
    for (const Case& c : cases) {
        ProgressSink(0, 0, c.maximum, c.position, c.step, "");
        ProgressSink(1, 0, 0, 0, 0, "");
        EXPECT_EQ(Settled(main_).position, c.expected) << c.maximum << " " << c.position << " " << c.step;
    }
    // Positions outside the range are held at its ends.
    ProgressSink(0, 0, 10, 25, 1, "");
    EXPECT_EQ(StateOf(main_).position, 10);
    ProgressSink(0, 0, 10, -4, 1, "");
    EXPECT_EQ(StateOf(main_).position, 0);
}

TEST_F(ProgressWindow, HandlerSeesEveryEventAndDestructionRaisesDone)
{
    g_events.clear();
    {
        TProgBar bar(nullptr); // no sink: only the handler hears about it
        bar.ProgressHandler = Record;
        bar.ReportProgress(2, 8);
        bar.ReportMessage("setup.exe");
        bar.ReportText("12 KB/s");
        bar.ReportDone(0, 0);
    }
    const std::vector<Event> expected = {
        {1, 2, 8, ""}, {5, 0, 0, "setup.exe"}, {2, 0, 0, "12 KB/s"}, {3, 0, 0, ""}, {3, 0, 0, ""},
    };
    EXPECT_EQ(g_events, expected);
    EXPECT_EQ(StateOf(main_).position, 0);
}

int g_seen = 0;
LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_USER + 7)
        ++g_seen;
    return ::DefWindowProcA(w, m, wp, lp);
}

TEST_F(ProgressWindow, PausesKeepWindowsResponsive)
{
    // A message waiting in the queue is dispatched during the event's pause.
    g_seen = 0;
    ::SetWindowLongPtrA(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc));
    TProgBar bar(ProgressSink);
    bar.PauseAfterText = 60;
    ::PostMessageA(window_.get(), WM_USER + 7, 0, 0);
    const DWORD start = ::GetTickCount();
    bar.ReportText("x");
    EXPECT_GE(::GetTickCount() - start, 50u);
    EXPECT_EQ(g_seen, 1);

    // Even without pauses, a message event pumps once.
    ::PostMessageA(window_.get(), WM_USER + 7, 0, 0);
    bar.ReportMessage("y");
    EXPECT_EQ(g_seen, 2);
}

TEST_F(ProgressWindow, SharedNotifierIsMadeOnceAndDrivesTheBars)
{
    TProgBar& shared = SharedProgBar();
    EXPECT_EQ(&SharedProgBar(), &shared);
    shared.ReportProgress(1, 4);
    EXPECT_EQ(StateOf(main_), (Bar{1, 0, 4}));
    shared.ReportDone(0, 0);
}

} // namespace
