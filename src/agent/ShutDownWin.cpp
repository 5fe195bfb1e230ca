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

// The time left of the sequence's wait, in milliseconds.
class Deadline {
public:
    explicit Deadline(std::int64_t seconds) : start_(::GetTickCount()), limit_(static_cast<DWORD>(seconds * 1000)) {}
    DWORD Left() const
    {
        const DWORD passed = ::GetTickCount() - start_;
        return passed < limit_ ? limit_ - passed : 0;
    }

private:
    DWORD start_;
    DWORD limit_;
};

bool Stopping(const ShutDownWait& wait) { return wait.stopping && wait.stopping(); }

// Asks the user to close the program until it has gone, the time is up or the agent is
// told to end; a box left unanswered goes when the time is up.
void AskToClose(const OriginalFile& original, const std::string& path, const Deadline& deadline,
                const ShutDownWait& wait)
{
    const std::string text = CloseRequestText(original.AutoUpdateText("s15", ""), path);
    TraceLine("s1=", text, "<");
    while (IsProgramRunning(path) && deadline.Left() > 0 && !Stopping(wait))
        AgentAttention(original, BoxOwner::ActiveWithHeading(), text, static_cast<int>(deadline.Left()));
}

} // namespace

ShutDownOutcome ShutDownProgram(const OriginalFile& original, const std::string& path, const std::string& methodText,
                                const ShutDownWait& wait)
{
    const bool wasRunning = IsProgramRunning(path);
    WriteUpdateLog("Shut Down Process() - START  (" + path + ")  Method: " + methodText);
    const ShutDownMethod method = ShutDownMethodOf(methodText);
    const Deadline deadline(wait.seconds);
    if (method == ShutDownMethod::AskToClose)
        AskToClose(original, path, deadline, wait);
    TraceLine(ProcessIdText(), " ==== PerformAutoUpdate-8 ====");
    switch (method) {
    case ShutDownMethod::WmClose: PostToProgram(path, true, WM_CLOSE, 15, 255); break;
    case ShutDownMethod::WmQuit: PostToProgram(path, true, WM_QUIT, 15, 255); break;
    case ShutDownMethod::Terminate: TerminateProgram(path, true); break;
    case ShutDownMethod::AskToClose:
    case ShutDownMethod::DontShutDown:
    case ShutDownMethod::WaitOnly: break;
    }
    if (WaitsForEnd(method) && !WaitForProgramEnd(path, deadline.Left(), wait.stopping))
        WriteUpdateLog(Stopping(wait)
                           ? std::string("Shut Down Process() - given up: the agent ends")
                           : "Shut Down Process() - still running after " + std::to_string(wait.seconds) + " s");
    TraceLine(ProcessIdText(), " ==== PerformAutoUpdate-9 ====");
    WriteUpdateLog("Shut Down Process() - END");
    return ShutDownOutcomeOf(wasRunning, IsProgramRunning(path));
}

ProgramCommand RunningProcessCommand(const OriginalFile& original, const Release& release)
{
    SetInstallFolders(original.Text(OriginalKeys::TargetDir), original.Text(OriginalKeys::SharedDir),
                      original.Text(OriginalKeys::AuxiliaryDir));
    ProgramCommand command = SplitProgramCommand(release.runningProcess);
    command.program = ExpandVariables(command.program, "\\", true, true);
    return command;
}
