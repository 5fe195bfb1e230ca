#include "agent/ShutDownWin.h"

#include <windows.h>

#include "agent/AgentBoxes.h"
#include "agent/OriginalFileWin.h"
#include "agent/ProcessWin.h"
#include "agent/Release.h"
#include "payload/FolderVariablesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

namespace {

// Asks the user to close the program until it has gone.
void AskToClose(const OriginalFile& original, const std::string& path)
{
    const std::string text = CloseRequestText(original.AutoUpdateText("s15", ""), path);
    TraceLine("s1=", text, "<");
    while (IsProgramRunning(path))
        AgentAttention(original, BoxOwner::ActiveWithHeading(), text);
}

} // namespace

ShutDownOutcome ShutDownProgram(const OriginalFile& original, const std::string& path, const std::string& methodText)
{
    const bool wasRunning = IsProgramRunning(path);
    WriteUpdateLog("Shut Down Process() - START  (" + path + ")  Method: " + methodText);
    const ShutDownMethod method = ShutDownMethodOf(methodText);
    if (method == ShutDownMethod::AskToClose)
        AskToClose(original, path);
    TraceLine(ProcessIdText(), " ==== PerformAutoUpdate-8 ====");
    switch (method) {
    case ShutDownMethod::WmClose: PostToProgram(path, true, WM_CLOSE, 15, 255); break;
    case ShutDownMethod::WmQuit: PostToProgram(path, true, WM_QUIT, 15, 255); break;
    case ShutDownMethod::Terminate: TerminateProgram(path, true); break;
    case ShutDownMethod::AskToClose:
    case ShutDownMethod::DontShutDown:
    case ShutDownMethod::WaitOnly: break;
    }
    if (WaitsForEnd(method))
        WaitForProgramEnd(path, 0);
    TraceLine(ProcessIdText(), " ==== PerformAutoUpdate-9 ====");
    WriteUpdateLog("Shut Down Process() - END");
    return ShutDownOutcomeOf(wasRunning, IsProgramRunning(path));
}

std::string RunningProductPath(const OriginalFile& original, const Release& release)
{
    SetInstallFolders(original.Text(OriginalKeys::TargetDir), original.Text(OriginalKeys::SharedDir),
                      original.Text(OriginalKeys::AuxiliaryDir));
    return ExpandVariables(release.runningProcess, "\\", true, true);
}
