#include "ui/KProgBar.h"

#include <commctrl.h>

#include "util/SysUtilsWin.h"

namespace {

// Each change of a progress control costs a round trip to the window system, and a
// repaint on a shown window: about a millisecond, more than unpacking a small file. Steps
// that come faster than the eye follows are therefore gathered and shown together, at
// most this often; a timer shows the last of them.
constexpr DWORD kRefreshMs = 40;

HWND g_mainBar = nullptr;
HWND g_activityBar = nullptr;

// What the bars are to show, kept here so that steps cost nothing until they are shown.
struct BarState {
    int position = 0;
    int maximum = 0;
    int step = 1;
    int activity = 0; // 0..5
};
BarState g_state;
BarState g_shown;
DWORD g_lastShown = 0;
UINT_PTR g_refreshTimer = 0;

void Pause(int milliseconds) { SleepPumping(0, milliseconds); }

void StopRefreshTimer()
{
    if (g_refreshTimer)
        ::KillTimer(nullptr, g_refreshTimer);
    g_refreshTimer = 0;
}

void ShowSteps()
{
    StopRefreshTimer();
    g_lastShown = ::GetTickCount();
    if (g_state.position != g_shown.position)
        ::SendMessageA(g_mainBar, PBM_SETPOS, g_state.position, 0);
    if (g_state.activity != g_shown.activity)
        ::SendMessageA(g_activityBar, PBM_SETPOS, g_state.activity, 0);
    g_shown = g_state;
}

void CALLBACK RefreshTimer(HWND, UINT, UINT_PTR, DWORD) { ShowSteps(); }

} // namespace

void SetProgressBars(HWND mainBar, HWND activityBar)
{
    StopRefreshTimer();
    g_mainBar = mainBar;
    g_activityBar = activityBar;
    g_state = g_shown = BarState();
}

void ProgressSink(int kind, int, int maximum, int position, int step, const std::string&)
{
    if (kind == 0) {
        StopRefreshTimer();
        // The bar's range is 16 bits wide; the position is kept within it as the control does.
        g_state.maximum = static_cast<WORD>(maximum);
        g_state.position = position < 0 ? 0 : position > g_state.maximum ? g_state.maximum : position;
        g_state.step = step;
        // A new range starts the activity cycle over, so its first step shows 1.
        g_state.activity = 0;
        ::SendMessageA(g_mainBar, PBM_SETRANGE, 0, MAKELPARAM(0, g_state.maximum));
        ::SendMessageA(g_mainBar, PBM_SETPOS, g_state.position, 0);
        ::SendMessageA(g_mainBar, PBM_SETSTEP, step, 0);
        ::SendMessageA(g_activityBar, PBM_SETRANGE, 0, MAKELPARAM(0, 5));
        ::SendMessageA(g_activityBar, PBM_SETPOS, 0, 0);
        ::SendMessageA(g_activityBar, PBM_SETSTEP, 1, 0);
        g_shown = g_state;
    } else if (kind == 1) {
        // A step past either end wraps round, as the control's own step does.
        const int range = g_state.maximum;
        g_state.position += g_state.step;
        if (g_state.position > range)
            g_state.position = range ? g_state.position % range : 0;
        if (g_state.position < 0)
            g_state.position = range ? g_state.position % range + range : 0;
        g_state.activity = g_state.activity >= 5 ? 0 : g_state.activity + 1;
        if (::GetTickCount() - g_lastShown >= kRefreshMs)
            ShowSteps();
        else if (!g_refreshTimer)
            g_refreshTimer = ::SetTimer(nullptr, 0, kRefreshMs, RefreshTimer);
    }
}

TProgBar::TProgBar(ProgressProc sink) : Sink(sink) {}

TProgBar::~TProgBar() { ReportDone(0, 0); }

void TProgBar::ReportProgress(int position, int maximum)
{
    Pause(PauseBeforeProgress);
    if (ProgressHandler)
        ProgressHandler(*this, 1, position, maximum, std::string());
    if (Sink)
        Sink(0, 0, maximum, position, 1, std::string());
    Pause(PauseAfterProgress);
}

void TProgBar::ReportText(const std::string& text)
{
    Pause(PauseBeforeText);
    if (ProgressHandler)
        ProgressHandler(*this, 2, 0, 0, text);
    if (Sink)
        Sink(1, 0, 0, 0, 0, text);
    Pause(PauseAfterText);
}

void TProgBar::ReportDone(int waitBefore, int waitAfter)
{
    Pause(waitBefore);
    Pause(PauseBeforeDone);
    if (ProgressHandler)
        ProgressHandler(*this, 3, 0, 0, std::string());
    if (Sink)
        Sink(0, 0, 0, 0, 1, std::string());
    Pause(PauseAfterDone);
    Pause(waitAfter);
}

void TProgBar::ReportMessage(const std::string& text)
{
    if (ProgressHandler)
        ProgressHandler(*this, 5, 0, 0, text);
    Pause(0);
}

TProgBar& SharedProgBar()
{
    // Never destroyed: at exit the bars it would reset are long gone.
    static TProgBar* const shared = new TProgBar(ProgressSink);
    return *shared;
}
