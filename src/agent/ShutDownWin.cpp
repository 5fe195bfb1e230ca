#include "agent/ShutDownWin.h"

#include <windows.h>

#include "agent/AgentBoxesWin.h"
#include "agent/ProcessWin.h"
#include "agent/ShutDown.h"
#include "agent/StubAUInfoFiles.h"
#include "payload/FolderVariablesWin.h"
#include "util/KDebug.h"

namespace {

std::string Pid() { return std::to_string(::GetCurrentProcessId()); }

// Asks the user to close the program until it has gone.
void AskToClose(const std::string& path)
{
    const std::string text = CloseRequestText(AutoUpdateText("s15", ""), path);
    TraceLine("s1=", text, "<");
    while (IsProgramRunning(path)) AgentAttention(0, text);
}

}  // namespace

int ShutDownProgram(const std::string& path, const std::string& methodText)
{
    const bool wasRunning = IsProgramRunning(path);
    WriteUpdateLog("Shut Down Process() - START  (" + path + ")  Method: " + methodText);
    const ShutDownMethod method = ShutDownMethodOf(methodText);
    if (method == ShutDownMethod::IssueMessageBox) AskToClose(path);
    TraceLine(Pid(), " ==== PerformAutoUpdate-8 ====");
    switch (method) {
    case ShutDownMethod::WmClose: PostToProgram(path, true, WM_CLOSE, 15, 255); break;
    case ShutDownMethod::WmQuit: PostToProgram(path, true, WM_QUIT, 15, 255); break;
    case ShutDownMethod::Terminate: TerminateProgram(path, true); break;
    case ShutDownMethod::IssueMessageBox:
    case ShutDownMethod::DontShutDown:
    case ShutDownMethod::WaitOnly: break;
    }
    if (WaitsForEnd(method)) WaitForProgramEnd(path, 0);
    TraceLine(Pid(), " ==== PerformAutoUpdate-9 ====");
    WriteUpdateLog("Shut Down Process() - END");
    return ShutDownOutcome(wasRunning, IsProgramRunning(path));
}

std::string RunningProductPath()
{
    SetInstallFolders(ReadInfoText(Keys::TargetDir), ReadInfoText(Keys::SharedDir), ReadInfoText(Keys::AuxiliaryDir));
    return ExpandVariables(ReadInfoText(Keys::RunningProcess), "\\", true, true);
}

int ShutDownRunningProduct(const ProgramCommand& program)
{
    return ShutDownProgram(program.program, ReadInfoText(Keys::ShutDownMethod));
}
