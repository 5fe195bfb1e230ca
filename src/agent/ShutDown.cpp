#include "agent/ShutDown.h"

#include "util/Utils.h"

ShutDownMethod ShutDownMethodOf(const std::string& text)
{
    if (text == "Issue a Message Box")
        return ShutDownMethod::AskToClose;
    if (text == "Using WM_CLOSE")
        return ShutDownMethod::WmClose;
    if (text == "Using WM_QUIT")
        return ShutDownMethod::WmQuit;
    if (text == "Using Terminate Process")
        return ShutDownMethod::Terminate;
    if (text == "Don't Shut Down")
        return ShutDownMethod::DontShutDown;
    return ShutDownMethod::WaitOnly;
}

bool WaitsForEnd(ShutDownMethod method) { return method != ShutDownMethod::DontShutDown; }

std::int64_t ShutDownWaitSeconds(std::int64_t fromRelease)
{
    if (fromRelease <= 0)
        return kDefaultShutDownWaitSeconds;
    return fromRelease < kLongestShutDownWaitSeconds ? fromRelease : kLongestShutDownWaitSeconds;
}

ShutDownOutcome ShutDownOutcomeOf(bool wasRunning, bool stillRunning)
{
    if (!wasRunning)
        return ShutDownOutcome::NotRunning;
    return stillRunning ? ShutDownOutcome::StillRunning : ShutDownOutcome::Stopped;
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
