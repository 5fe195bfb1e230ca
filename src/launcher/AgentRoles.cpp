#include "launcher/AgentRoles.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "agent/AgentRequest.h"
#include "agent/AgentFoldersWin.h"
#include "agent/AgentSession.h"
#include "agent/AgentTick.h"
#include "agent/CheckScheduleWin.h"
#include "launcher/AgentSwitches.h"
#include "launcher/ExitCodes.h"
#include "launcher/LauncherWindow.h"
#include "launcher/RunContext.h"
#include "launcher/StubSetup.h"
#include "payload/WorkFolder.h"
#include "util/CommandLineWin.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/ProcessStart.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

// How long at most the plain agent waits for its new X_ copy's window before it posts the
// requests of its command line: until the window is there or the copy has ended. A loaded
// machine takes more than the 3 s of old to start a program and make its window, and a
// request posted before that is lost; the bound only keeps a copy that hangs before its
// window from holding the plain agent (and an uninstaller waiting for it) for ever.
constexpr DWORD kXCopyWaitMs = 120000;
constexpr DWORD kXCopyPollMs = 200;
// "/WAIT=" lets an old X_ copy end; an hour is more than any copy needs.
constexpr std::int64_t kMostWaitSeconds = 3600;

// Where the X_ copy runs: in the agent's folder, or in the user's own when the agent may
// not write there.
std::string XCopyPath(const RunContext& run) { return run.agentFiles.xCopy; }

// The X_ copy's own window, found by its class: while the copy shows a box, that box
// would be the main window a process search picks, and it drops the requests.
HWND XCopyWindow(const RunContext& run)
{
    return FindWindowA(AgentWindowClass(XCopyName(run.own.AgentFileName())).c_str(), nullptr);
}

void Post(const RunContext& run, const std::string& target, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = XCopyWindow(run);
    if (!window || !PostMessageA(window, message, wParam, lParam))
        TraceLine(ProcessIdText(), " no window to post to: ", target);
}

} // namespace

AgentFiles AgentFilesOfRun(const RunContext& run)
{
    const std::string given = run.role == RunRole::XCopy ? SwitchValue(kAgentFolderSwitch, "") : std::string();
    return AgentFilesFor(given.empty() ? ProgramFolder(false) : given, run.own);
}

unsigned long RunAgentWindow(const RunContext& run)
{
    // The host shows through the window once it is made; the window's steps run only then.
    LauncherWindow* view = nullptr;
    unsigned long exitCode = 0;
    AgentSession session(
        AgentHost{&run.own,
                  [&view, &session](const std::string& text) {
                      const OriginalFile& original = session.original;
                      view->SetLabel(text, original.Text(OriginalKeys::FontName),
                                     static_cast<int>(original.Int(OriginalKeys::CharSet)),
                                     static_cast<int>(original.Int(OriginalKeys::FontSize)));
                  },
                  [&view](int code, int value) { view->Notify(code, value); },
                  [&view, &run, &exitCode](const UpdateRun& update) {
                      const SetupRequest request{
                          WorkFolder(),      update.setupFile,         run.own.AgentFileName(),  update.extraArgs,
                          update.foreground, update.shortcutsToRemove, run.agentFiles.PerUser(), true};
                      SetupOutcome outcome{kExitFailed, false};
                      {
                          const auto removeWorkFolder = defer(RemoveWorkFolder);
                          outcome = SetupRun(*view, run, request);
                      }
                      // Started once the folder that the agent unpacked into is gone.
                      if (outcome.relaunchElevated)
                          outcome = RunUpdateElevated(*view, request, ProgramPath(false));
                      exitCode = outcome.exitCode;
                      return outcome.completed;
                  }},
        run.agentFiles);
    CheckTestMode(session, true);
    const std::int64_t sleepX = SwitchInt("/SleepX=", -1);
    if (sleepX >= 0)
        session.timerCount = -static_cast<int>(std::min<std::int64_t>(sleepX, INT32_MAX));
    // The override bytes of the agent that restarted this one live on here.
    const std::string inherited = SwitchValue("/TRANSIENTx=", "");
    if (!inherited.empty())
        ParseOverrideList(inherited, session.overrides);

    LauncherWindow window(run, WindowHandlers{[&session](LauncherWindow&) { AgentTimerTick(session); },
                                              [&session](std::uint32_t code, std::int32_t value) {
                                                  return PerformAgentRequest(session, code, value);
                                              },
                                              [&session](int countdown) { RequestShutdown(session, countdown); }});
    view = &window;
    session.window = window.Handle();
    window.Run();
    return exitCode;
}

bool CreateAndRun_X_Exe(const RunContext& run)
{
    WriteUpdateLog("CreateAndRun_X_Exe() --- Start");
    const std::string zz = SwitchValue("/_ZZ=", "");
    TraceLine(ProcessIdText(), " CreateAndRun_X_Exe-1 ", zz);
    if (XCopyWindow(run) && zz != "99") {
        WriteUpdateLog("CreateAndRun_X_Exe() --- End");
        return true;
    }
    TraceLine(ProcessIdText(), " CreateAndRun_X_Exe-2");
    const std::int64_t wait = std::clamp<std::int64_t>(SwitchInt("/WAIT=", 0), 0, kMostWaitSeconds);
    WriteUpdateLog("Wait " + std::to_string(wait) + " SEC");
    SleepPumping(0, wait * 1000);

    const std::string xPath = XCopyPath(run);
    // An agent file installed read-only must not leave a copy that cannot delete itself.
    if (const SysResult copied = CopyFileWritable(ProgramPath(false), xPath))
        WriteUpdateLog("Create X_ File ");
    else
        WriteUpdateLog("Create X_ File failed: " + ErrorText(copied.error));
    const std::string arguments = XCopyArguments(SwitchValue("/TRANSIENT=", ""), SwitchValue("/DELAY=", ""),
                                                 run.agentFiles.PerUser() ? run.agentFiles.install : std::string());
    WriteUpdateLog("WinExec: " + xPath + arguments);
    // The path goes apart from the arguments: under "C:\Program Files" nothing else starts.
    // The file was just written: a scanner (or Wine) may refuse its start for a moment.
    const StartRetry retry;
    const StartedProcess started =
        StartProcessRetrying({xPath, TrimText(arguments), SW_HIDE}, retry, [&retry](int tried, DWORD error) {
            WriteUpdateLog("WinExec failed: " + ErrorText(error) + " (try " + std::to_string(tried) + " of " +
                           std::to_string(retry.tries) + ")");
        });
    if (started && !CommandArgs().empty()) {
        // The requests that follow go to the copy's window: wait until it has one (a
        // process without its window yet would lose them).
        const DWORD start = GetTickCount();
        while (!XCopyWindow(run) && WaitForSingleObject(started.process.get(), 0) == WAIT_TIMEOUT) {
            if (GetTickCount() - start >= kXCopyWaitMs) {
                TraceLine(ProcessIdText(), " CreateAndRun_X_Exe: no window of the X_ copy after ",
                          static_cast<unsigned long>(kXCopyWaitMs / 1000), " s");
                break;
            }
            SleepPumping(0, kXCopyPollMs);
        }
    }
    WriteUpdateLog("CreateAndRun_X_Exe() --- End");
    return static_cast<bool>(started);
}

void HandleParamOK(const RunContext& run, bool xWasRunning, bool xStarted)
{
    WriteUpdateLog("HandleParamOK() --- Start");
    // A copy that never started has no window: a request posted now would be lost while
    // the caller believed it delivered.
    if (!xStarted) {
        WriteUpdateLog("X_ copy not started: no request forwarded");
        WriteUpdateLog("HandleParamOK() --- End");
        return;
    }
    const std::string target = XCopyPath(run);
    const bool targetExists = FileExists(target);
    const std::int64_t stop = SwitchInt("/STOP=", -1);
    if (stop >= 0 && targetExists) {
        WriteUpdateLog("PostProcessMessage(wm_ShutDown) to: " + target);
        Post(run, target, wm_ShutDown, static_cast<WPARAM>(stop), 0);
    }
    const std::string local = SwitchValue("/WM_MSG=", "");
    if (!local.empty() && targetExists) {
        const LocalMessage m = ParseLocalMessage(local);
        WriteUpdateLog("PostProcessMessage(wm_LocalMsg) to: " + target + " - :" + local + ":");
        Post(run, target, wm_LocalMsg, static_cast<WPARAM>(m.window), static_cast<LPARAM>(m.message));
    }
    const std::int64_t test = SwitchInt("/TEST=", -1);
    if (test >= 0 && targetExists) {
        WriteUpdateLog("PostProcessMessage(wm_AgentMsg) to: " + target + " - AU_PerformUpdateCycle (" +
                       std::to_string(test) + ")");
        Post(run, target, wm_AgentMsg, static_cast<WPARAM>(AgentRequestCode::PerformUpdateCycle),
             static_cast<LPARAM>(test));
        // A copy started just for this check ends soon after it.
        if (!xWasRunning && test > 0)
            Post(run, target, wm_ShutDown, 2, 0);
    }
    WriteUpdateLog("HandleParamOK() --- End");
}

unsigned long RunXCopy(const RunContext& run)
{
    WriteUpdateLog("CheckTestMode");
    WriteUpdateLog("WinMain");
    const unsigned long exitCode = RunAgentWindow(run);
    WriteUpdateLog("DeleteMySelf");
    // A copy that cannot delete itself is replaced at the next start of the plain agent.
    if (!StartSelfDelete(false))
        WriteUpdateLog("DeleteMySelf failed");
    return exitCode;
}
