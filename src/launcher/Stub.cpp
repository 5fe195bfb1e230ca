#include "launcher/Stub.h"

#include <windows.h>

#include "agent/StubAUInfoFiles.h"
#include "util/FilesWin.h"
#include "launcher/AgentSwitches.h"
#include "launcher/ExitCodes.h"
#include "launcher/RunContext.h"
#include "launcher/StubSetup.h"
#include "launcher/StubWin.h"
#include "payload/GFileInfo.h"
#include "payload/WorkFolder.h"
#include "util/KDebug.h"
#include "util/ProcessStart.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

std::string OwnFileName() { return FileNamePart(ProgramPath(false)); }

bool WindowOfClassExists(const std::string& cls) { return FindWindowA(cls.c_str(), nullptr) != nullptr; }

// Copies the launcher into the work folder as Y_ and starts the copy there, so the
// medium holding the launcher can be changed while the copy reads the volumes.
void CDSpanningRelaunch(RunContext& run)
{
    const std::string self = ProgramPath(false);
    const std::string yPath = WithBackslash(WorkFolderPath(), true) + "Y_" + OwnFileName();
    // A copy started earlier is still at work in that folder (its window class is its
    // path): making the folder afresh would pull its files from under it.
    if (WindowOfClassExists(yPath)) {
        WriteUpdateLog("CD spanning: already running " + yPath);
        return;
    }
    WorkFolder();  // made afresh for the copy
    if (!CopyFileA(self.c_str(), yPath.c_str(), FALSE)) {
        WriteUpdateLog("CD spanning: copy failed " + yPath + " " + LastErrorText());
        run.exitCode = kExitWorkFolderFailed;
        return;
    }
    const std::string tail = CommandArgs() + " /SpanCdLvl=2 /SpanDiskFName1=\"" + self + ".001\"" + " /OriginExe=\"" +
                             self + "\"";
    const StartedProcess copy = StartProcess({yPath, TrimText(tail), SW_HIDE});
    if (!copy) {
        WriteUpdateLog("CD spanning: start failed " + yPath + " " + ErrorText(copy.error));
        run.exitCode = kExitEngineNotStarted;
    }
}

void RunWindow(RunContext& run)
{
    if (run.agentRun) {
        RunAgentWindow(run);
        return;
    }
    // Until the setup run begins nothing is installed: a window that could not be made, or
    // one that was closed before its first tick, is no success.
    run.exitCode = kExitFailed;
    WindowHandlers handlers = AgentRequestHandlers();
    handlers.tick = [&run](HWND window) {
        run.exitCode = 0;
        SetupTick(window, run);
    };
    RunLauncherWindow(run, std::move(handlers));
}

} // namespace

void DoRunStubWin(RunContext& run)
{
    WriteUpdateLog("DoRunStubWin() --- Start");
    const std::string ownName = OwnFileName();
    run.windowClass = run.agentRun ? AgentWindowClass(ownName) : ProgramPath(false);

    const std::string agentName = run.own.AgentFileName();
    const bool xRunning = WindowOfClassExists(AgentWindowClass(XCopyName(agentName)));
    const bool plainAgent = run.agentRun && SameTextTrimmed(ownName, agentName);
    const bool xCopy = run.agentRun && SameTextTrimmed(ownName, XCopyName(agentName));
    WriteUpdateLog("X_ExeIsRunning=" + BoolText(xRunning));
    WriteUpdateLog("ThisIs_Plain_AutoUpdate_Exe=" + BoolText(plainAgent));
    WriteUpdateLog("ThisIs_X_AutoUpdate_Exe=" + BoolText(xCopy));

    if (!WindowOfClassExists(run.windowClass)) {
        if (plainAgent) {
            CreateAndRun_X_Exe(run);
        } else if (xCopy) {
            RunXCopy(run);
        } else if (SwitchInt("/SpanCdLvl=", 1) == 1 && run.own.SpanFromDisks()) {
            CDSpanningRelaunch(run);
        } else {
            RunWindow(run);
            if (SwitchInt("/SpanCdLvl=", 1) == 2)
                StartSelfDelete(true);
        }
    } else if (!run.agentRun) {
        // A script that starts the same setup twice learns that it did not run.
        run.exitCode = kExitAlreadyRunning;
    }
    if (plainAgent)
        HandleParamOK(xRunning);
    WriteUpdateLog("DoRunStubWin() --- End");
}

int StubMain()
{
    StartTraceChannel();
    const std::string commandLine = RawCommandLine();
    TraceLine(ProcessIdText(), " ==== STUB START ====> ", commandLine, "<");

    unsigned long exitCode = 0;
    {
        RunContext run(ProgramPath(false));
        LocateDescriptionFiles(ProgramFolder(false), run.own);
        EnableUpdateLog(run.agentRun && run.own.WriteUpdateLog());
        if (run.agentRun && SameTextTrimmed(OwnFileName(), XCopyName(run.own.AgentFileName())))
            SetUpdateLogTag(" X ");

        WriteUpdateLog("");
        WriteUpdateLog("");
        WriteUpdateLog("=== START === " + ProgramPath(false));
        WriteUpdateLog("CommandLine=" + commandLine);
        WriteUpdateLog("Agent Version=" + FileVersionText("", 1, 4));
        TraceLine(ProcessIdText(), " ==== ThisIs_AutoUpdateProg=", run.agentRun);

        DoRunStubWin(run);
        exitCode = run.exitCode;
    }
    TraceLine(ProcessIdText(), " ==== ExitCode=", static_cast<int64_t>(exitCode));
    WriteUpdateLog("ExitCode=" + std::to_string(exitCode));
    TraceLine(ProcessIdText(), " ==== STUB END ====> ", commandLine, "<");
    TraceLine("");
    WriteUpdateLog("=== EXIT === " + ProgramPath(false));
    WriteUpdateLog("");
    return static_cast<int>(exitCode);
}
