#include "agent/UpdateCycleWin.h"

#include <windows.h>

#include <string>

#include "agent/AgentBoxes.h"
#include "agent/FetchWin.h"
#include "agent/AgentRequest.h"
#include "agent/ShutDown.h"
#include "agent/ShutDownWin.h"
#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"
#include "agent/UpdateCycle.h"
#include "payload/GFileInfo.h"
#include "util/Guard.h"
#include "util/KDebug.h"
#include "util/ProcessStart.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

void Trace(const char* step) { TraceLine(ProcessIdText(), " ==== PerformAutoUpdate-", step, " ===="); }

// Asks in the style the release wants; true when the cycle may go on.
bool PutQuestion(QuestionStyle style, const std::string& text)
{
    switch (style) {
    case QuestionStyle::None: return true;
    case QuestionStyle::Inform: AgentAttention(2, text); return true;
    case QuestionStyle::Ask: return AgentConfirm(0, text);
    }
    return true;
}

void StartProgram(const ProgramCommand& command)
{
    const StartedProcess started = StartProcess({command.program, command.arguments, SW_SHOW});
    if (!started)
        TraceLine(ProcessIdText(), " ==== program not started: ", command.program, " ", ErrorText(started.error));
}

} // namespace

bool PerformAutoUpdate()
{
    AgentState& a = Agent();
    WriteUpdateLog("PerformAutoUpdate() - START");
    Trace("4");
    bool result = false;
    const std::string url = ReadInfoText(Keys::DownloadURL_UPDATE);
    const std::string name = ReadInfoText(Keys::NameOfUpdateFile);
    if (!url.empty() && !name.empty()) {
        Trace("5");
        const AutoTextLookup text = [](const std::string& key) { return AutoUpdateText(key, ""); };
        const std::string programName = ReadInfoText(Keys::InfoProgramName);
        CycleQuestions q;
        q.confirmDownload = ReadInfoFlag(Keys::RequestConfirmationBeforeDownload);
        q.confirmDownloadForce = ReadInfoFlag(Keys::RequestConfirmationBeforeDownloadForce);
        q.confirmInstall = ReadInfoFlag(Keys::RequestConfirmationBeforeInstall);
        q.confirmInstallForce = ReadInfoFlag(Keys::RequestConfirmationBeforeInstallForce);

        bool proceed = PutQuestion(QuestionStyleFor(q.confirmDownload, q.confirmDownloadForce, a.Interactive()),
                                   DownloadQuestionText(q, text, programName));
        SleepPumping(0, 500);
        // Fetched into the agent's folder; removed again whatever follows, so that no
        // fetched program waits there to be started by mistake.
        const std::string updateFile = FetchedFilePath(name);
        bool fetched = false;
        if (proceed) {
            Trace("6");
            a.state = 2;
            AgentNotify(NotifyFetch, 1);
            std::string error;
            fetched = DownloadFileAU(url, name, FetchKind::Update, error);
            AgentNotify(NotifyFetch, 2);
            proceed = fetched;
            if (fetched)
                proceed = PutQuestion(QuestionStyleFor(q.confirmInstall, q.confirmInstallForce, a.Interactive()),
                                      InstallQuestionText(q, text, programName));
            SleepPumping(0, 100);
        }
        if (proceed) {
            Trace("7");
            const std::string programPath = RunningProductPath();
            const ProgramCommand program = SplitProgramCommand(programPath);
            const int outcome = ShutDownRunningProduct(program);
            const bool stopped = outcome == kProgramStopped;
            const bool restartAfter = ReadInfoFlag(Keys::RestartProcess) && stopped;
            const std::string extraArgs = "/OriginalInfoFile=\"" + InfoFilePath() + "\"";
            a.state = 3;
            AgentNotify(NotifyRunUpdate, 1);
            Trace("10");
            // A damaged update payload ends the cycle, not the agent.
            Guarded("PerformAutoUpdate", [&] {
                result = a.host.runSetup &&
                         a.host.runSetup(updateFile, extraArgs, !ReadInfoFlag(Keys::BackgroundUpdate));
            });
            Trace("11");
            AgentNotify(NotifyRunUpdate, 2);
            if (result)
                WriteInfoInt(Keys::VersionOriginal, ReadInfoInt(Keys::VersionNew));
            DeleteFileA(updateFile.c_str());

            const std::string finish = ReplaceAll(AutoUpdateText("s16", ""), "PROG_NAME", programName);
            bool start = true;
            if (result && (ReadInfoFlag(Keys::InformFinish) || a.Interactive())) {
                if (restartAfter)
                    start = AgentConfirm(1, finish + AutoUpdateText("s17", ""));
                else
                    AgentAttention(1, finish);
            }
            Trace("12");
            TraceLine(BoolText(restartAfter), " ", BoolText(start), " >", programPath, "<");
            if (StartsProductAgain(result, stopped, restartAfter, start))
                StartProgram(program);
        } else if (fetched) {
            DeleteFileA(updateFile.c_str());
        }
    }
    Trace("13");
    WriteUpdateLog(std::string("PerformAutoUpdate() - END    Result=") + (result ? "TRUE" : "FALSE"));
    return result;
}

void ReStartAutoUpdateExe()
{
    AgentState& a = Agent();
    WriteUpdateLog(".. ReStartAutoUpdateExe() - Start");
    if (a.shutdownCountdown <= 0 && a.host.own) {
        const std::string program = ProgramFolder(true) + a.host.own->AgentFileName();
        const std::string arguments = RestartAgentArguments(OverrideList(AgentOverrides()));
        WriteUpdateLog(".. WinExec - " + program + " " + arguments);
        const StartedProcess started = StartProcess({program, arguments, SW_HIDE});
        if (!started)
            WriteUpdateLog(".. not started: " + ErrorText(started.error));
        SleepPumping(0, 1000);
        WriteUpdateLog(".. PostMessage(WM_DESTROY)");
        PostMessageA(a.window, WM_DESTROY, 0, 0);
    }
    WriteUpdateLog(".. ReStartAutoUpdateExe() - End");
}
