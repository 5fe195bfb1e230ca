#include "agent/UpdateCheck.h"

#include <windows.h>

#include <string>

#include "agent/AgentBoxes.h"
#include "agent/FetchWin.h"
#include "agent/AgentRequest.h"
#include "net/InetHTTP.h"
#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"
#include "agent/InformDialogWin.h"
#include "agent/UpdateCycleWin.h"
#include "agent/UpdateDecisionWin.h"
#include "payload/GFileInfo.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"

namespace {

std::string UpdateServer()
{
    const TGFileInfo* own = Agent().host.own;
    return own ? own->UpdateServerUrl() : std::string();
}

// Why an interactive check found nothing to install.
void TellWhyNothing(const Decision& decision, const std::string& fetchError)
{
    const AgentState& a = Agent();
    std::string reason;
    const bool connected = HTTP_IsConnected(reason);
    TraceLine(ProcessIdText(), " TestMode=", BoolText(a.testMode), " InternetConnected=", BoolText(connected));
    if (!a.testMode && !connected) {
        AgentError(0, AutoUpdateText("s2", "") + (reason.empty() ? "" : "<P><P>" + reason));
    } else if (!a.testMode && !fetchError.empty()) {
        AgentError(0, fetchError);
    } else {
        std::string text = AutoUpdateText("s21", "");
        if (IsDeveloperMode())
            text += "<P><P>(" + std::to_string(decision.step) + " - " + decision.text + ")   ";
        AgentAttention(1, text);
    }
}

} // namespace

bool DownloadInfoFile(std::string& error)
{
    const TGFileInfo* own = Agent().host.own;
    AgentNotify(NotifyCheck, 1);
    const bool fetched = DownloadFileAU(UpdateServer(), own ? own->InfoFileName() : std::string(), FetchKind::Info,
                                        error);
    AgentNotify(NotifyCheck, 2);
    return fetched;
}

bool AskBeforeCheck()
{
    const bool testMode = CheckTestMode(true);
    const std::string source = testMode ? Agent().testUrl : UpdateServer();
    std::string text = AutoUpdateText("s22", "");
    if (source.size() >= 2 && source[1] != ':')
        text += AutoUpdateText("s23", "");
    text += AutoUpdateText("s24", "");
    if (testMode)
        text += "<P><P><T><B>PLEASE NOTE</B> - You are now running in <B>Test Mode</B>!";
    return AgentConfirm(1, ReplaceAll(text, "PROG_NAME", ReadInfoText(Keys::OriginalProgramName)));
}

void PerformShot()
{
    AgentState& a = Agent();
    TraceLine(ProcessIdText(), " Fire  ", ReadableSeconds(NowSeconds()));
    CheckTestMode(true);
    a.state = 1;
    std::string error;
    const bool infoFetched = DownloadInfoFile(error);
    WriteInfoSeconds(Keys::ProbeSecondsLast, NowSeconds());

    const Decision decision = GetOkToPerformAU(infoFetched, a.Interactive(), [](const std::string& url) {
        return static_cast<std::int64_t>(HTTP_GetFileSize(url));
    });
    if (decision.ok()) {
        TraceLine(ProcessIdText(), " ==== PerformShot-1 ====");
        WriteInfoSeconds(Keys::ReAskSecondsLast, NowSeconds());
        WriteInfoInt(Keys::OriginalStamp, ReadInfoInt(Keys::InfoStamp));
        if (ReadInfoInt(Keys::AutoInform) == 1)
            PerformAutoInform(a.window);
        else if (PerformAutoUpdate())
            ReStartAutoUpdateExe();
        TraceLine(ProcessIdText(), " ==== PerformShot-2 ====");
    }
    if (a.Interactive()) {
        SleepPumping(0, 1000);
        if (a.window)
            ShowWindow(a.window, SW_HIDE);
        if (!decision.ok())
            TellWhyNothing(decision, error);
    }
}
