#include "agent/AgentTick.h"

#include <string>

#include "agent/OriginalFile.h"
#include "agent/OriginalFileWin.h"
#include "agent/UpdateCheck.h"
#include "agent/UpdateDecisionWin.h"
#include "ui/KMsgBox.h"
#include "util/Guard.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

AgentState& Agent()
{
    static AgentState state;
    return state;
}

void AgentNotify(int code, int value)
{
    if (Agent().host.notify)
        Agent().host.notify(code, value);
}

void AgentCaption(const std::string& text)
{
    if (Agent().host.caption)
        Agent().host.caption(text);
}

namespace {

// Another process asked for the release's description only.
void JustDownloadInfoFile()
{
    TraceLine("-------------- JustDownloadInfoFile ---------------");
    Agent().justDownloadInfoFile = false;
    std::string error;
    DownloadInfoFile(error);
}

void ScheduledTick()
{
    AgentState& a = Agent();
    a.state = 0;
    if (a.mode == 2)
        a.mode = 1;
    if (a.mode == 1)
        a.timerCount = 0;
    if (a.shutdownCountdown == 0)
        PostQuitMessage(0);
    if (a.shutdownCountdown >= 0)
        --a.shutdownCountdown;
    ++a.timerCount;
    TraceLine(ProcessIdText(), " AutoUpdateTimerCount=", a.timerCount);
    if (a.timerCount < 1)
        return;
    CheckTestMode(false);
    int status = ShotTimeStatus();
    TraceLine(ProcessIdText(), " ShotTimeStatus=", status);
    if (status == 2)
        a.probingEnabled = false;
    // Only a check shows boxes: the font is read then, not on every idle tick.
    if (status > 0)
        SetMsgBoxFont(ReadInfoText(Keys::FontName), static_cast<int>(ReadInfoInt(Keys::FontSize)),
                      static_cast<std::uint8_t>(ReadInfoInt(Keys::CharSet)));
    const bool askFirst = AgentOverrides()[static_cast<int>(Override::AskBeforeCheck)] == 1;
    if (status > 0 && (a.Interactive() || askFirst) && !AskBeforeCheck())
        status = 0;
    if (status > 0)
        PerformShot();
    if (a.mode == 1)
        a.mode = 0;
}

} // namespace

void AgentTimerTick(HWND window)
{
    AgentState& a = Agent();
    // A tick dispatched while an earlier one waits does nothing; the flag clears
    // however the tick ends.
    const BusyGuard busy(a.tickBusy);
    if (!busy.Entered())
        return;
    a.window = window;
    if (a.justDownloadInfoFile)
        JustDownloadInfoFile();
    else
        ScheduledTick();
    a.state = 0;
}
