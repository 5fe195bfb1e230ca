#include "agent/AgentTick.h"

#include <windows.h>

#include <string>

#include "agent/AgentSession.h"
#include "agent/CheckScheduleWin.h"
#include "agent/UpdateCheck.h"
#include "ui/KMsgBox.h"
#include "util/Guard.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

namespace {

// Another process asked for the release's description only.
void JustDownloadInfoFile(AgentSession& session)
{
    TraceLine("-------------- JustDownloadInfoFile ---------------");
    session.justDownloadInfoFile = false;
    DownloadInfoFile(session);
}

void ScheduledTick(AgentSession& session)
{
    if (session.mode == AgentMode::InteractiveRequested)
        session.mode = AgentMode::Interactive;
    if (session.Interactive())
        session.timerCount = 0;
    if (session.shutdownCountdown == 0)
        ::PostQuitMessage(0);
    if (session.shutdownCountdown >= 0)
        --session.shutdownCountdown;
    ++session.timerCount;
    TraceLine(ProcessIdText(), " AutoUpdateTimerCount=", session.timerCount);
    if (session.timerCount < 1)
        return;
    CheckTestMode(session, false);
    ShotTime status = ShotTimeStatus(session);
    TraceLine(ProcessIdText(), " ShotTimeStatus=", static_cast<int>(status));
    if (status == ShotTime::CheckOnce)
        session.probingEnabled = false;
    const OriginalFile& original = session.original;
    // Only a check shows boxes: the font is read then, not on every idle tick.
    if (status != ShotTime::None)
        SetMsgBoxFont(original.Text(OriginalKeys::FontName), static_cast<int>(original.Int(OriginalKeys::FontSize)),
                      static_cast<std::uint8_t>(original.Int(OriginalKeys::CharSet)));
    const bool askFirst = session.overrides[static_cast<int>(Override::AskBeforeCheck)] == 1;
    if (status != ShotTime::None && (session.Interactive() || askFirst) && !AskBeforeCheck(session))
        status = ShotTime::None;
    if (status != ShotTime::None)
        PerformShot(session);
    if (session.Interactive())
        session.mode = AgentMode::Background;
}

} // namespace

void AgentTimerTick(AgentSession& session)
{
    // A tick dispatched while an earlier one waits does nothing; the flag clears
    // however the tick ends.
    const BusyGuard busy(session.tickBusy);
    if (!busy.Entered())
        return;
    // Idle at the start and at the end of every tick.
    session.state = AgentState::Idle;
    const AgentStateScope idle(session, AgentState::Idle);
    if (session.justDownloadInfoFile)
        JustDownloadInfoFile(session);
    else
        ScheduledTick(session);
}
