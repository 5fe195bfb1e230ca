#include "launcher/Stub.h"

#include <windows.h>

#include "launcher/AgentRoles.h"
#include "launcher/AgentSwitches.h"
#include "launcher/EngineCommand.h"
#include "launcher/ExitCodes.h"
#include "launcher/LauncherWindow.h"
#include "launcher/RunContext.h"
#include "launcher/StubSetup.h"
#include "launcher/WebSetup.h"
#include "payload/GFileInfo.h"
#include "payload/WorkFolder.h"
#include "util/CommandLineWin.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/ProcessStart.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

bool WindowOfClassExists(const std::string& cls) { return FindWindowA(cls.c_str(), nullptr) != nullptr; }

// Copies the launcher into the work folder as Y_ and starts the copy there, so the
// medium holding the launcher can be changed while the copy reads the volumes.
unsigned long CDSpanningRelaunch(const RunContext& run)
{
    const std::string self = ProgramPath(false);
    // The copy's folder stays when this process ends: the copy removes it when it is done.
    const std::string workFolder = WorkFolder();
    if (workFolder.empty())
        return kExitWorkFolderFailed;
    const std::string yPath = workFolder + "\\Y_" + run.ownName;
    if (!CopyFileA(self.c_str(), yPath.c_str(), TRUE)) {
        WriteUpdateLog("CD spanning: copy failed " + yPath + " " + LastErrorText());
        return kExitWorkFolderFailed;
    }
    const std::string tail =
        CommandArgs() + " /SpanCdLvl=2 /SpanDiskFName1=\"" + self + ".001\"" + " /OriginExe=\"" + self + "\"";
    const StartedProcess copy = StartProcess({yPath, TrimText(tail), SW_HIDE});
    if (!copy) {
        WriteUpdateLog("CD spanning: start failed " + yPath + " " + ErrorText(copy.error));
        return kExitEngineNotStarted;
    }
    return 0;
}

// The engine asks for administrator rights: this launcher starts itself again, elevated
// through the consent prompt, with its arguments and in its current folder (which the
// engine keeps), and ends as that copy ends. The copy unpacks into a work folder that
// only administrators can write, so nothing the user's own programs could change runs
// elevated. A user who declines ends the run as declined.
SetupOutcome RelaunchElevated(LauncherWindow& view)
{
    view.Hide();
    const StartedProcess copy =
        StartElevated({ProgramPath(false), CommandArgs(), SW_SHOWNORMAL, true}, CurrentFolder());
    if (!copy) {
        TraceLine(ProcessIdText(), " ==== no elevated copy started: ", copy.error, " ", ErrorText(copy.error));
        return {copy.error == ERROR_CANCELLED ? kExitUserCancelled : kExitEngineNotStarted, false};
    }
    constexpr DWORD kCopyPollMs = 500;
    return {WaitForProcessPumping(copy.process.get(), kCopyPollMs), false};
}

// The first timer tick of a setup-mode launcher: runs the whole setup (or the web setup),
// removes the work folder and ends the message loop. Its outcome is the process's.
SetupOutcome SetupTick(LauncherWindow& view, const RunContext& run)
{
    KillTimer(view.Handle(), 1);
    const TGFileInfo& own = run.own;
    // Started elevated by an agent for an update: the update runs as the agent's own run
    // would have, with the agent's copy.
    const std::string forAgent = SwitchValue(kAgentUpdateSwitch, "");
    const std::string agentName = !forAgent.empty()        ? forAgent
                                  : own.WriteUpdateAgent() ? own.AgentFileName()
                                                           : std::string();
    const std::string workFolder = WorkFolder();
    const bool hidden = HasSwitch("/hide") || own.RunHidden();
    // Only an update of the agent removes shortcuts: description files found beside a
    // setup may have been put there by anybody.
    const std::vector<std::string> none;
    SetupOutcome outcome{kExitFailed, false};
    if (own.WebDownload()) {
        // Without its agent copy the setup still runs; the trace says why it is missing.
        if (!agentName.empty())
            static_cast<void>(WriteWebAgentCopy(ProgramPath(false), workFolder, agentName));
        outcome = WebSetupRun(view, run, {workFolder, WebSetupSource(own), own.DownloadFileName(), hidden, none});
    } else {
        outcome = SetupRun(view, run,
                           {workFolder, ProgramPath(false), agentName,
                            forAgent.empty() ? CommandArgs() : AgentUpdateEngineArguments(CommandArgs()), !hidden, none,
                            false, !forAgent.empty()});
    }
    RemoveWorkFolder();
    if (outcome.relaunchElevated)
        outcome = RelaunchElevated(view);
    PostQuitMessage(0);
    return outcome;
}

unsigned long RunSetupWindow(const RunContext& run)
{
    // Until the setup run begins nothing is installed: a window that could not be made, or
    // one that was closed before its first tick, is no success.
    SetupOutcome outcome{kExitFailed, false};
    LauncherWindow window(
        run, WindowHandlers{[&run, &outcome](LauncherWindow& view) { outcome = SetupTick(view, run); }, {}, {}});
    window.Run();
    return outcome.exitCode;
}

// A developer's way to see how the launcher ends on a fault at start-up, with the
// developer switch DVX set: "/DVX_FAULT" ends the run before it begins, as a failure
// with its end records; "/DVX_FAULT=memory" asks for more memory than a process can
// hold, which ends the process on the spot.
bool FaultRequested()
{
    if (!IsDeveloperMode())
        return false;
    if (SwitchValue("/DVX_FAULT=", "") == "memory") {
        std::string room;
        room.reserve(room.max_size());
        TraceLine(ProcessIdText(), " ==== DVX_FAULT: ", static_cast<int64_t>(room.capacity()), " bytes held");
    }
    return HasSwitch("/DVX_FAULT");
}

} // namespace

unsigned long DoRunStubWin(const RunContext& run)
{
    WriteUpdateLog("DoRunStubWin() --- Start");
    if (FaultRequested()) {
        LogFault("fault requested at start-up", "DoRunStubWin");
        return kExitFailed;
    }
    const bool xRunning = WindowOfClassExists(AgentWindowClass(XCopyName(run.own.AgentFileName())));
    WriteUpdateLog("X_ExeIsRunning=" + BoolText(xRunning));
    WriteUpdateLog("ThisIs_Plain_AutoUpdate_Exe=" + BoolText(run.role == RunRole::PlainAgent));
    WriteUpdateLog("ThisIs_X_AutoUpdate_Exe=" + BoolText(run.role == RunRole::XCopy));

    unsigned long exitCode = 0;
    // A caller of the plain agent (a scheduled task, a product asking for a check) learns
    // from its exit code whether the copy that does the work runs.
    bool xStarted = true;
    if (!WindowOfClassExists(run.windowClass)) {
        switch (run.role) {
        case RunRole::PlainAgent:
            xStarted = CreateAndRun_X_Exe(run);
            if (!xStarted)
                exitCode = kExitEngineNotStarted;
            break;
        case RunRole::XCopy: exitCode = RunXCopy(run); break;
        case RunRole::SpanRelaunch: exitCode = CDSpanningRelaunch(run); break;
        case RunRole::Setup:
        case RunRole::Agent:
            exitCode = run.role == RunRole::Agent ? RunAgentWindow(run) : RunSetupWindow(run);
            if (run.spanCopy && !StartSelfDelete(true))
                WriteUpdateLog("DeleteMySelf failed");
            break;
        }
    } else if (!run.agentRun) {
        // A script that starts the same setup twice learns that it did not run.
        exitCode = kExitAlreadyRunning;
    }
    if (run.role == RunRole::PlainAgent)
        HandleParamOK(run, xRunning, xStarted);
    WriteUpdateLog("DoRunStubWin() --- End");
    return exitCode;
}

int StubMain()
{
    StartTraceChannel();
    const std::string commandLine = RawCommandLine();
    TraceLine(ProcessIdText(), " ==== STUB START ====> ", commandLine, "<");

    unsigned long exitCode = kExitFailed;
    {
        RunContext run(ProgramPath(false), SwitchInt("/SpanCdLvl=", 1), SwitchValue("/SpanDiskFName1=", ""));
        EnableUpdateLog(run.agentRun && run.own.WriteUpdateLog());
        if (run.role == RunRole::XCopy)
            SetUpdateLogTag(" X ");
        // The agent's log goes where it writes, which may be a folder of the user's own.
        if (run.agentRun) {
            run.agentFiles = AgentFilesOfRun(run);
            SetUpdateLogPath(run.agentFiles.log);
        }

        WriteUpdateLog("");
        WriteUpdateLog("");
        WriteUpdateLog("=== START === " + ProgramPath(false));
        WriteUpdateLog("CommandLine=" + commandLine);
        WriteUpdateLog("Agent Version=" + FileVersionText("", 1, 4));
        TraceLine(ProcessIdText(), " ==== ThisIs_AutoUpdateProg=", run.agentRun);

        exitCode = DoRunStubWin(run);
    }
    TraceLine(ProcessIdText(), " ==== ExitCode=", static_cast<int64_t>(exitCode));
    WriteUpdateLog("ExitCode=" + std::to_string(exitCode));
    TraceLine(ProcessIdText(), " ==== STUB END ====> ", commandLine, "<");
    TraceLine("");
    WriteUpdateLog("=== EXIT === " + ProgramPath(false));
    WriteUpdateLog("");
    return static_cast<int>(exitCode);
}
