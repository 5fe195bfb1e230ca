#include "launcher/Stub.h"

#include <windows.h>

#include <memory>

#include "agent/StubAUInfoFiles.h"
#include "util/FilesWin.h"
#include "launcher/StubWin.h"
#include "payload/GFileInfo.h"
#include "payload/WorkFolder.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

std::unique_ptr<TGFileInfo> g_own;
bool g_agentRun = false;
std::string g_windowClass;
unsigned long g_exitCode = 0;

std::string Pid() { return std::to_string(GetCurrentProcessId()); }

std::string OwnFileName() { return FileNamePart(ProgramPath(false)); }

bool WindowOfClassExists(const std::string& cls) { return FindWindowA(cls.c_str(), nullptr) != nullptr; }

// Copies the launcher into the work folder as Y_ and starts the copy there, so the
// medium holding the launcher can be changed while the copy reads the volumes.
void CDSpanningRelaunch()
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
        WriteUpdateLog("CD spanning: copy failed " + yPath);
        return;
    }
    const std::string tail = CommandArgs() + " /SpanCdLvl=2 /SpanDiskFName1=\"" + self + ".001\"" + " /OriginExe=\"" +
                             self + "\"";
    // Quoted, so that a work folder with blanks still names the copy.
    std::string cmd = "\"" + yPath + "\" " + TrimText(tail);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        WriteUpdateLog("CD spanning: start failed " + cmd);
    }
}

} // namespace

void OpenOwnInfo(const std::string& path)
{
    g_own = std::make_unique<TGFileInfo>(path);
    g_agentRun = g_own->IsUpdateAgent();
}

void CloseOwnInfo() { g_own.reset(); }

TGFileInfo& OwnInfo() { return *g_own; }
bool IsAgentRun() { return g_agentRun; }
const std::string& OwnWindowClass() { return g_windowClass; }
void SetOwnWindowClass(const std::string& name) { g_windowClass = name; }
void SetStubExitCode(unsigned long code) { g_exitCode = code; }
unsigned long StubExitCode() { return g_exitCode; }

void DoRunStubWin()
{
    WriteUpdateLog("DoRunStubWin() --- Start");
    const std::string ownName = OwnFileName();
    SetOwnWindowClass(g_agentRun ? ".AutoUpdate." + FileTitle(ownName, false) : ProgramPath(false));

    const std::string agentName = g_own->AgentFileName();
    const bool xRunning = WindowOfClassExists(".AutoUpdate." + FileTitle("X_" + agentName, false));
    const bool plainAgent = g_agentRun && SameTextTrimmed(ownName, agentName);
    const bool xCopy = g_agentRun && SameTextTrimmed(ownName, "X_" + agentName);
    WriteUpdateLog("X_ExeIsRunning=" + BoolText(xRunning));
    WriteUpdateLog("ThisIs_Plain_AutoUpdate_Exe=" + BoolText(plainAgent));
    WriteUpdateLog("ThisIs_X_AutoUpdate_Exe=" + BoolText(xCopy));

    if (!WindowOfClassExists(g_windowClass)) {
        if (plainAgent) {
            // The hand-over to the X_ copy belongs to the agent roles, which this build
            // does not carry yet.
            WriteUpdateLog("DoRunStubWin() --- plain agent: no hand-over in this build");
        } else if (!xCopy && SwitchInt("/SpanCdLvl=", 1) == 1 && g_own->SpanFromDisks()) {
            CDSpanningRelaunch();
        } else {
            RunLauncherWindow();
            if (!xCopy && SwitchInt("/SpanCdLvl=", 1) == 2)
                StartSelfDelete(true);
        }
    }
    WriteUpdateLog("DoRunStubWin() --- End");
}

int StubMain()
{
    StartTraceChannel();
    const std::string commandLine = RawCommandLine();
    TraceLine(Pid(), " ==== STUB START ====> ", commandLine, "<");

    OpenOwnInfo(ProgramPath(false));
    LocateDescriptionFiles(ProgramFolder(false), *g_own);
    EnableUpdateLog(g_agentRun && g_own->WriteUpdateLog());
    if (g_agentRun && SameTextTrimmed(OwnFileName(), "X_" + g_own->AgentFileName()))
        SetUpdateLogTag(" X ");

    WriteUpdateLog("");
    WriteUpdateLog("");
    WriteUpdateLog("=== START === " + ProgramPath(false));
    WriteUpdateLog("CommandLine=" + commandLine);
    WriteUpdateLog("Agent Version=" + FileVersionText("", 1, 4));
    TraceLine(Pid(), " ==== ThisIs_AutoUpdateProg=", g_agentRun);

    DoRunStubWin();

    CloseOwnInfo();
    TraceLine(Pid(), " ==== STUB END ====> ", commandLine, "<");
    TraceLine("");
    WriteUpdateLog("=== EXIT === " + ProgramPath(false));
    WriteUpdateLog("");
    return static_cast<int>(g_exitCode);
}
