#include "agent/UpdateCycleWin.h"

#include <windows.h>

#include <string>
#include <vector>

#include "agent/AgentBoxes.h"
#include "agent/AgentRequest.h"
#include "agent/AgentSession.h"
#include "agent/FetchWin.h"
#include "agent/ShutDownWin.h"
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
bool PutQuestion(const OriginalFile& original, QuestionStyle style, const std::string& text)
{
    switch (style) {
    case QuestionStyle::None: return true;
    case QuestionStyle::Inform: AgentAttention(original, BoxOwner::ActiveNoClose(), text); return true;
    case QuestionStyle::Ask: return AgentConfirm(original, BoxOwner::ActiveWithHeading(), text);
    }
    return true;
}

// A bare name was found running by its name alone: it starts where the system's own
// start of that name finds it.
void StartProgram(const ProgramCommand& command)
{
    const std::string program = FindProgramAsStartWould(command.program);
    const StartedProcess started = StartProcess({program, command.arguments, SW_SHOW});
    if (!started)
        TraceLine(ProcessIdText(), " ==== program not started: ", program, " ", ErrorText(started.error));
}

// The installation once the product is out of the way: the update's setup, the version
// recorded, the fetched file removed, the finish message and the product started again.
// True when the setup reported completion.
bool InstallUpdate(AgentSession& session, const Release& release, const CycleChoices& choices,
                   const std::string& updateFile, const ProgramCommand& program, ShutDownOutcome outcome)
{
    const OriginalFile& original = session.original;
    const bool restartAfter = RestartAfter(release, outcome);
    UpdateRun run;
    run.setupFile = updateFile;
    run.extraArgs = "/OriginalInfoFile=\"" + session.files.info + "\"";
    run.foreground = choices.foreground;
    run.shortcutsToRemove = ShortcutsToRemove(original, release);
    bool result = false;
    {
        const AgentStateScope running(session, AgentState::RunningUpdate);
        session.Notify(NotifyRunUpdate, 1);
        Trace("10");
        // A damaged update payload ends the cycle, not the agent.
        Guarded("PerformAutoUpdate", [&] { result = session.host.runSetup && session.host.runSetup(run); });
        Trace("11");
        session.Notify(NotifyRunUpdate, 2);
    }
    if (result)
        session.Record(OriginalKeys::VersionOriginal, release.versionNew);
    ::DeleteFileA(updateFile.c_str());

    const std::string finish = ReplaceAll(original.AutoUpdateText("s16", ""), "PROG_NAME", release.programName);
    bool start = true;
    switch (FinishBoxFor(release, session.Interactive(), result, restartAfter)) {
    case FinishBox::None: break;
    case FinishBox::Notice: AgentAttention(original, BoxOwner::Active(), finish); break;
    case FinishBox::AskRestart:
        start = AgentConfirm(original, BoxOwner::Active(), finish + original.AutoUpdateText("s17", ""));
        break;
    }
    Trace("12");
    const std::string command = program.arguments.empty() ? program.program : program.program + " " + program.arguments;
    TraceLine(BoolText(restartAfter), " ", BoolText(start), " >", command, "<");
    if (StartsProductAgain(result, outcome == ShutDownOutcome::Stopped, restartAfter, start))
        StartProgram(program);
    return result;
}

} // namespace

std::vector<std::string> ShortcutsToRemove(const OriginalFile& original, const Release& release)
{
    std::vector<std::string> links;
    if (release.removeStartUpShortcut)
        links.push_back(original.Text(OriginalKeys::StartUpLink));
    if (release.removeCheckForNewUpdateShortcut)
        links.push_back(original.Text(OriginalKeys::CheckforNewUpdateLink));
    return links;
}

CycleEnd PerformAutoUpdate(AgentSession& session, const Release& release)
{
    WriteUpdateLog("PerformAutoUpdate() - START");
    Trace("4");
    CycleEnd end = CycleEnd::NotCompleted;
    const OriginalFile& original = session.original;
    const AutoTextLookup text = [&original](const std::string& key) { return original.AutoUpdateText(key, ""); };
    const CycleChoices choices = CycleChoicesFor(release, session.Interactive(), text);
    if (choices.runs) {
        Trace("5");
        bool proceed = PutQuestion(original, choices.downloadQuestion, choices.downloadText);
        SleepPumping(0, 500);
        // Fetched into the agent's folder; removed again whatever follows, so that no
        // fetched program waits there to be started by mistake.
        const std::string updateFile = FetchedFilePath(session, release.nameOfUpdateFile);
        bool fetched = false;
        if (proceed) {
            Trace("6");
            {
                const AgentStateScope fetching(session, AgentState::Fetching);
                session.Notify(NotifyFetch, 1);
                fetched = DownloadFileAU(session, release.downloadUrl, release.nameOfUpdateFile, FetchKind::Update,
                                         release.confirmDownload)
                              .fetched;
                session.Notify(NotifyFetch, 2);
            }
            proceed = fetched && PutQuestion(original, choices.installQuestion, choices.installText);
            SleepPumping(0, 100);
        }
        if (proceed) {
            Trace("7");
            const ProgramCommand program = RunningProcessCommand(original, release);
            const ShutDownOutcome outcome =
                ShutDownProgram(original, program.program, release.shutDownMethod,
                                {choices.shutDownWaitSeconds, [&session] { return session.stopping; }});
            if (PutsOff(choices.shutDown, outcome)) {
                // Nothing goes over a running product: it runs on as it was.
                WriteUpdateLog("PerformAutoUpdate() - put off: " + program.program + " still runs");
                end = CycleEnd::PutOff;
                ::DeleteFileA(updateFile.c_str());
            } else if (InstallUpdate(session, release, choices, updateFile, program, outcome)) {
                end = CycleEnd::Completed;
            }
        } else if (fetched) {
            ::DeleteFileA(updateFile.c_str());
        }
    }
    Trace("13");
    WriteUpdateLog(std::string("PerformAutoUpdate() - END    Result=") +
                   (end == CycleEnd::Completed ? "TRUE" : "FALSE"));
    return end;
}

void ReStartAutoUpdateExe(AgentSession& session)
{
    WriteUpdateLog(".. ReStartAutoUpdateExe() - Start");
    // An agent told to end meanwhile ends without a successor.
    if (RestartsAgent(session.shutdownCountdown) && !session.stopping && session.host.own) {
        const std::string program = ProgramFolder(true) + session.host.own->AgentFileName();
        const std::string arguments = RestartAgentArguments(OverrideList(session.overrides));
        WriteUpdateLog(".. WinExec - " + program + " " + arguments);
        const StartedProcess started = StartProcess({program, arguments, SW_HIDE});
        if (!started)
            WriteUpdateLog(".. not started: " + ErrorText(started.error));
        SleepPumping(0, 1000);
        WriteUpdateLog(".. PostMessage(WM_DESTROY)");
        ::PostMessageA(session.window, WM_DESTROY, 0, 0);
    }
    WriteUpdateLog(".. ReStartAutoUpdateExe() - End");
}
