#include "ui/KProgBar.h"

#include <commctrl.h>

#include "util/SysUtilsWin.h"

namespace {

HWND g_mainBar = nullptr;
HWND g_activityBar = nullptr;
int g_activity = 0;  // 0..5

void Pause(int milliseconds) { SleepPumping(0, milliseconds); }

}  // namespace

void SetProgressBars(HWND mainBar, HWND activityBar)
{
    g_mainBar = mainBar;
    g_activityBar = activityBar;
    g_activity = 0;
}

void ProgressSink(int kind, int, int maximum, int position, int step, const std::string&)
{
    if (kind == 0) {
        ::SendMessageA(g_mainBar, PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(maximum)));
        ::SendMessageA(g_mainBar, PBM_SETPOS, position, 0);
        ::SendMessageA(g_mainBar, PBM_SETSTEP, step, 0);
        // A new range starts the activity cycle over, so its first step shows 1.
        g_activity = 0;
        ::SendMessageA(g_activityBar, PBM_SETRANGE, 0, MAKELPARAM(0, 5));
        ::SendMessageA(g_activityBar, PBM_SETPOS, 0, 0);
        ::SendMessageA(g_activityBar, PBM_SETSTEP, 1, 0);
    } else if (kind == 1) {
        ::SendMessageA(g_mainBar, PBM_STEPIT, 0, 0);
        g_activity = g_activity >= 5 ? 0 : g_activity + 1;
        ::SendMessageA(g_activityBar, PBM_SETPOS, g_activity, 0);
    }
}

TProgBar::TProgBar(ProgressProc sink) : Sink(sink) {}

TProgBar::~TProgBar() { ReportDone(0, 0); }

void TProgBar::ReportProgress(int position, int maximum)
{
    Pause(PauseBeforeProgress);
    if (ProgressHandler) ProgressHandler(*this, 1, position, maximum, std::string());
    if (Sink) Sink(0, 0, maximum, position, 1, std::string());
    Pause(PauseAfterProgress);
}

void TProgBar::ReportText(const std::string& text)
{
    Pause(PauseBeforeText);
    if (ProgressHandler) ProgressHandler(*this, 2, 0, 0, text);
    if (Sink) Sink(1, 0, 0, 0, 0, text);
    Pause(PauseAfterText);
}

void TProgBar::ReportDone(int waitBefore, int waitAfter)
{
    Pause(waitBefore);
    Pause(PauseBeforeDone);
    if (ProgressHandler) ProgressHandler(*this, 3, 0, 0, std::string());
    if (Sink) Sink(0, 0, 0, 0, 1, std::string());
    Pause(PauseAfterDone);
    Pause(waitAfter);
}

void TProgBar::ReportMessage(const std::string& text)
{
    if (ProgressHandler) ProgressHandler(*this, 5, 0, 0, text);
    Pause(0);
}

TProgBar& SharedProgBar()
{
    // Never destroyed: at exit the bars it would reset are long gone.
    static TProgBar* const shared = new TProgBar(ProgressSink);
    return *shared;
}
