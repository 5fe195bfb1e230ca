#include "launcher/AgentRoles.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "agent/AgentRequest.h"
#include "agent/ProcessWin.h"
#include "agent/StubAU.h"
#include "agent/StubAUInfo.h"
#include "agent/StubAUInfoFiles.h"
#include "agent/UpdateDecisionWin.h"
#include "launcher/AgentSwitches.h"
#include "launcher/RunContext.h"
#include "launcher/StubSetup.h"
#include "launcher/StubWin.h"
#include "payload/WorkFolder.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/ProcessStart.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

// How long the plain agent waits for its new X_ copy's window before it posts the
// requests of its command line. A loaded machine takes more than the 3 s of old to start
// a program and make its window, and a request posted before that is lost; the wait ends
// as soon as the window is there or the copy has ended.
constexpr DWORD kXCopyWaitMs = 30000;
constexpr DWORD kXCopyPollMs = 200;
// "/WAIT=" lets an old X_ copy end; an hour is more than any copy needs.
constexpr std::int64_t kMostWaitSeconds = 3600;

std::string OwnFileName() { return FileNamePart(ProgramPath(false)); }

std::string XCopyPath() { return ProgramFolder(true) + XCopyName(OwnFileName()); }

bool XCopyWindowExists(const RunContext& run)
{
    return FindWindowA(AgentWindowClass(XCopyName(run.own.AgentFileName())).c_str(), nullptr) != nullptr;
}

void Post(const std::string& target, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!PostToProgram(target, true, message, wParam, lParam))
        TraceLine(ProcessIdText(), " no window to post to: ", target);
}

// "/TRANSIENTx=": the override list the plain agent passes on to its X_ copy.
void ApplyInheritedOverrides()
{
    const std::string transient = SwitchValue("/TRANSIENTx=", "");
    if (!transient.empty())
        ParseOverrideList(transient, AgentOverrides());
}

} // namespace

WindowHandlers AgentRequestHandlers()
{
    WindowHandlers handlers;
    handlers.request = PerformAgentRequest;
    handlers.shutDown = [](int countdown) { Agent().shutdownCountdown = countdown; };
    return handlers;
}

void RunAgentWindow(RunContext& run)
{
    AgentState& agent = Agent();
    const std::int64_t sleepX = SwitchInt("/SleepX=", -1);
    if (sleepX >= 0)
        agent.timerCount = -static_cast<int>(std::min<std::int64_t>(sleepX, INT32_MAX));
    agent.host.own = &run.own;
    agent.host.caption = [](const std::string& text) {
        SetMainLabel(text, ReadInfoText(Keys::FontName), static_cast<int>(ReadInfoInt(Keys::CharSet)),
                     static_cast<int>(ReadInfoInt(Keys::FontSize)));
    };
    agent.host.notify = [](int code, int value) { Notify(code, value); };
    agent.host.runSetup = [&run](const std::string& setupFile, const std::string& extraArgs, bool foreground) {
        const auto removeWorkFolder = defer(RemoveWorkFolder);
        return SetupRun(run, WorkFolder(), setupFile, run.own.AgentFileName(), extraArgs, foreground);
    };
    WindowHandlers handlers = AgentRequestHandlers();
    handlers.tick = AgentTimerTick;
    RunLauncherWindow(run, std::move(handlers));
    // The host refers to the run, which ends with the caller.
    agent.host = AgentHost{};
}

void CreateAndRun_X_Exe(const RunContext& run)
{
    WriteUpdateLog("CreateAndRun_X_Exe() --- Start");
    const std::string zz = SwitchValue("/_ZZ=", "");
    TraceLine(ProcessIdText(), " CreateAndRun_X_Exe-1 ", zz);
    if (!run.agentRun || (XCopyWindowExists(run) && zz != "99") ||
        !SameTextTrimmed(OwnFileName(), run.own.AgentFileName())) {
        WriteUpdateLog("CreateAndRun_X_Exe() --- End");
        return;
    }
    TraceLine(ProcessIdText(), " CreateAndRun_X_Exe-2");
    const std::int64_t wait = std::clamp<std::int64_t>(SwitchInt("/WAIT=", 0), 0, kMostWaitSeconds);
    WriteUpdateLog("Wait " + std::to_string(wait) + " SEC");
    SleepPumping(0, wait * 1000);

    const std::string xPath = XCopyPath();
    if (CopyFileA(ProgramPath(false).c_str(), xPath.c_str(), FALSE))
        WriteUpdateLog("Create X_ File ");
    else
        WriteUpdateLog("Create X_ File failed: " + LastErrorText());
    const std::string arguments = XCopyArguments(SwitchValue("/TRANSIENT=", ""), SwitchValue("/DELAY=", ""));
    WriteUpdateLog("WinExec: " + xPath + arguments);
    // The path goes apart from the arguments: under "C:\Program Files" nothing else starts.
    const StartedProcess started = StartProcess({xPath, TrimText(arguments), SW_HIDE});
    if (!started)
        WriteUpdateLog("WinExec failed: " + ErrorText(started.error));
    else if (!CommandArgs().empty()) {
        // The requests that follow go to the copy's window: wait until it has one (a
        // process without its window yet would lose them).
        const DWORD start = GetTickCount();
        while (!XCopyWindowExists(run) && GetTickCount() - start < kXCopyWaitMs &&
               WaitForSingleObject(started.process.get(), 0) == WAIT_TIMEOUT)
            SleepPumping(0, kXCopyPollMs);
    }
    WriteUpdateLog("CreateAndRun_X_Exe() --- End");
}

void HandleParamOK(bool xWasRunning)
{
    WriteUpdateLog("HandleParamOK() --- Start");
    const std::string target = XCopyPath();
    const bool targetExists = FileExists(target);
    const std::int64_t stop = SwitchInt("/STOP=", -1);
    if (stop >= 0 && targetExists) {
        WriteUpdateLog("PostProcessMessage(wm_ShutDown) to: " + target);
        Post(target, wm_ShutDown, static_cast<WPARAM>(stop), 0);
    }
    const std::string local = SwitchValue("/WM_MSG=", "");
    if (!local.empty() && targetExists) {
        const LocalMessage m = ParseLocalMessage(local);
        WriteUpdateLog("PostProcessMessage(wm_LocalMsg) to: " + target + " - :" + local + ":");
        Post(target, wm_LocalMsg, static_cast<WPARAM>(m.window), static_cast<LPARAM>(m.message));
    }
    const std::int64_t test = SwitchInt("/TEST=", -1);
    if (test >= 0 && targetExists) {
        WriteUpdateLog("PostProcessMessage(wm_AgentMsg) to: " + target + " - AU_PerformUpdateCycle (" +
                       std::to_string(test) + ")");
        Post(target, wm_AgentMsg, static_cast<WPARAM>(AgentRequestCode::PerformUpdateCycle),
             static_cast<LPARAM>(test));
        // A copy started just for this check ends soon after it.
        if (!xWasRunning && test > 0)
            Post(target, wm_ShutDown, 2, 0);
    }
    ApplyInheritedOverrides();
    WriteUpdateLog("HandleParamOK() --- End");
}

void RunXCopy(RunContext& run)
{
    WriteUpdateLog("CheckTestMode");
    CheckTestMode(true);
    // The override bytes of the agent that restarted this one live on here.
    ApplyInheritedOverrides();
    WriteUpdateLog("WinMain");
    RunAgentWindow(run);
    WriteUpdateLog("DeleteMySelf");
    StartSelfDelete(false);
}
