// Windows outputs of the trace channel (viewer window, trace file) and the update log.
#include <windows.h>

#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/UtilsWin.h"

namespace {

UINT g_viewerMessage = 0;

// A viewer that stops answering must not stall the program: give up after a while.
constexpr UINT kViewerSendTimeoutMs = 5000;

void SendToViewer(const std::string& chunk)
{
    HWND viewer = ::FindWindowA(kTraceViewerClass, nullptr);
    if (!viewer || !g_viewerMessage)
        return;
    ATOM atom = ::GlobalAddAtomA(chunk.c_str());
    if (!atom)
        return;
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(viewer, g_viewerMessage, kTraceSenderNumber, atom, SMTO_NORMAL, kViewerSendTimeoutMs,
                          &ignored);
    ::GlobalDeleteAtom(atom);
}

// The trace channel has nowhere to report its own failure.
void AppendToTraceFile(const std::string& text) { static_cast<void>(AppendText(kTraceFilePath, text, 0)); }

} // namespace

void StartTraceChannel()
{
    g_viewerMessage = ::RegisterWindowMessageA(kTraceViewerMessage);
    SetTraceOutputs({AppendToTraceFile, SendToViewer});
}

std::string UpdateLogFileName()
{
    return UpdateLogPath().empty() ? UpdateLogPathFor(ProgramPath(false)) : UpdateLogPath();
}

void WriteUpdateLog(std::string_view message)
{
    if (!UpdateLogEnabled())
        return;
    std::string line = UpdateLogLine(LocalNow(), UserDateSeparator(), UserTimeSeparator(), ::GetCurrentThreadId(),
                                     UpdateLogTag(), message);
    // A log line that cannot be written has nowhere else to go.
    static_cast<void>(AppendText(UpdateLogFileName(), line, 0));
}
