#include "agent/UpdateCheck.h"

#include <windows.h>

#include <string>

#include "agent/AgentBoxes.h"
#include "agent/AgentRequest.h"
#include "agent/AgentSession.h"
#include "agent/AutoInform.h"
#include "agent/CheckScheduleWin.h"
#include "agent/FetchWin.h"
#include "agent/UpdateCycleWin.h"
#include "agent/UpdateDecisionWin.h"
#include "net/InetHTTP.h"
#include "payload/GFileInfo.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

// Why an interactive check found nothing to install.
void TellWhyNothing(const AgentSession& session, const Decision& decision, const std::string& fetchError)
{
    const OriginalFile& original = session.original;
    const bool testMode = session.test.on;
    std::string reason;
    const bool connected = HTTP_IsConnected(reason);
    TraceLine(ProcessIdText(), " TestMode=", BoolText(testMode), " InternetConnected=", BoolText(connected));
    if (!testMode && !connected) {
        AgentError(original, BoxOwner::ActiveWithHeading(),
                   original.AutoUpdateText("s2", "") + (reason.empty() ? "" : "<P><P>" + reason));
    } else if (!testMode && !fetchError.empty()) {
        AgentError(original, BoxOwner::ActiveWithHeading(), fetchError);
    } else {
        std::string text = original.AutoUpdateText("s21", "");
        if (IsDeveloperMode())
            text += "<P><P>(" + std::to_string(decision.step) + " - " + decision.text + ")   ";
        AgentAttention(original, BoxOwner::Active(), text);
    }
}

} // namespace

FetchedRelease DownloadInfoFile(AgentSession& session)
{
    const TGFileInfo* own = session.host.own;
    const std::string infoName = own ? own->InfoFileName() : std::string();
    session.Notify(NotifyCheck, 1);
    FetchedRelease info;
    info.fetch = DownloadFileAU(session, session.UpdateServer(), infoName, FetchKind::Info, false);
    const bool keyed = session.keys.Keyed();
    // A keyed product reads not a value of a description that did not verify.
    const std::string signature = info.fetch.fetched && keyed ? FetchSignature(session, infoName) : std::string();
    CheckedRelease checked;
    if (info.fetch.fetched)
        checked = CheckRelease(info.fetch.bytes, signature, session.keys, UtcNowSeconds());
    if (info.fetch.fetched && !checked.usable) {
        info.fetch.fetched = false;
        info.fetch.error = "The release is refused: " + checked.refusal + ".";
        WriteUpdateLog("ERROR: release refused: " + checked.refusal);
        TraceLine(ProcessIdText(), " ==== release refused: ", checked.refusal);
    }
    // The update's engine is given the kept description. A product without keys keeps
    // whatever came, so that nobody reads an older release's; a keyed one keeps only what
    // verified, with its signature. One that cannot be kept has not arrived.
    if (!keyed || info.fetch.fetched) {
        SysResult kept = keyed ? ReplaceFileWhole(session.files.signature, signature) : SysResult{};
        if (kept)
            kept = ReplaceFileWhole(session.files.info, info.fetch.bytes);
        if (!kept) {
            info.fetch.fetched = false;
            info.fetch.error = session.files.info + " --- " + ErrorText(kept.error);
            WriteUpdateLog("ERROR: " + info.fetch.error);
        }
    }
    if (info.fetch.fetched)
        info.release = std::move(checked.release);
    session.releaseVersion = info.release.versionNew;
    session.Notify(NotifyCheck, 2);
    return info;
}

bool AskBeforeCheck(AgentSession& session)
{
    const bool testMode = CheckTestMode(session, true);
    const std::string source = testMode ? session.test.url : session.UpdateServer();
    const OriginalFile& original = session.original;
    std::string text = original.AutoUpdateText("s22", "");
    if (source.size() >= 2 && source[1] != ':')
        text += original.AutoUpdateText("s23", "");
    text += original.AutoUpdateText("s24", "");
    if (testMode)
        text += "<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!";
    return AgentConfirm(original, BoxOwner::Active(),
                        ReplaceAll(text, "PROG_NAME", original.Text(OriginalKeys::ProgramName)));
}

void PerformShot(AgentSession& session)
{
    TraceLine(ProcessIdText(), " Fire  ", ReadableSeconds(NowSeconds()));
    CheckTestMode(session, true);
    const AgentStateScope checking(session, AgentState::Checking);
    FetchedRelease info = DownloadInfoFile(session);
    session.RecordSeconds(OriginalKeys::ProbeSecondsLast, NowSeconds());

    // Read once: the decision, the cycle and the announcement see the same release.
    ApplyOverrides(info.release, session.overrides);
    const Release& release = info.release;
    const Decision decision = GetOkToPerformAU(session, release, info.fetch.fetched,
                                               [](const std::string& url) { return HTTP_GetFileSize(url); });
    if (decision.ok()) {
        TraceLine(ProcessIdText(), " ==== PerformShot-1 ====");
        const OriginalFile& original = session.original;
        const std::int64_t askedBefore = original.Int(OriginalKeys::ReAskSecondsLast);
        const std::int64_t stampBefore = original.Int(OriginalKeys::Stamp);
        session.RecordSeconds(OriginalKeys::ReAskSecondsLast, NowSeconds());
        session.Record(OriginalKeys::Stamp, release.stamp);
        if (release.autoInform) {
            PerformAutoInform(session, release);
        } else {
            switch (PerformAutoUpdate(session, release)) {
            case CycleEnd::Completed: ReStartAutoUpdateExe(session); break;
            case CycleEnd::NotCompleted: break;
            case CycleEnd::PutOff:
                // Not asked, not declined: the next check offers the release again.
                session.RecordSeconds(OriginalKeys::ReAskSecondsLast, askedBefore);
                session.Record(OriginalKeys::Stamp, stampBefore);
                break;
            }
        }
        TraceLine(ProcessIdText(), " ==== PerformShot-2 ====");
    }
    if (session.Interactive()) {
        SleepPumping(0, 1000);
        if (session.window)
            ::ShowWindow(session.window, SW_HIDE);
        if (!decision.ok())
            TellWhyNothing(session, decision, info.fetch.error);
    }
}
