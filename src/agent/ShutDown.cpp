#include "agent/ShutDown.h"

#include "payload/GFileInfo.h"
#include "util/Utils.h"

ShutDownMethod ShutDownMethodOf(const std::string& text)
{
    if (text == "Issue a Message Box") return ShutDownMethod::IssueMessageBox;
    if (text == "Using WM_CLOSE") return ShutDownMethod::WmClose;
    if (text == "Using WM_QUIT") return ShutDownMethod::WmQuit;
    if (text == "Using Terminate Process") return ShutDownMethod::Terminate;
    if (text == "Don't Shut Down") return ShutDownMethod::DontShutDown;
    return ShutDownMethod::WaitOnly;
}

bool WaitsForEnd(ShutDownMethod method) { return method != ShutDownMethod::DontShutDown; }

int ShutDownOutcome(bool wasRunning, bool stillRunning)
{
    if (!wasRunning) return 0;
    return stillRunning ? 1 : kProgramStopped;
}

std::string CloseRequestText(const std::string& text, const std::string& programPath)
{
    return ReplaceAll(text, "PROG_NAME", FileNamePart(programPath));
}

ProgramCommand SplitProgramCommand(const std::string& text)
{
    const std::string trimmed = TrimText(text);
    if (trimmed.empty() || trimmed[0] != '"')
        return {trimmed, std::string()};
    const std::size_t close = trimmed.find('"', 1);
    if (close == std::string::npos)
        return {trimmed.substr(1), std::string()};
    return {trimmed.substr(1, close - 1), TrimText(trimmed.substr(close + 1))};
}
