// Portable side of the trace channel and the update log.
#include "util/KDebug.h"

#include "util/TraceLock.h"

namespace {

struct TraceChannel {
    char buffer[kTraceChunkSize];
    std::size_t count = 0;
    TraceOutputs outputs;
    std::uint8_t mode = 0;
};

TraceChannel& Channel()
{
    // Never destroyed: tracing stays safe during static destruction at exit.
    static TraceChannel* channel = new TraceChannel;
    return *channel;
}

void Dispatch(TraceChannel& ch, const std::string& chunk)
{
    if ((ch.mode == 1 || ch.mode == 2) && ch.outputs.toFile)
        ch.outputs.toFile(RewriteLineBreaks(chunk));
    if ((ch.mode == 0 || ch.mode == 2) && ch.outputs.toViewer)
        ch.outputs.toViewer(chunk);
}

// Hands the buffered characters on. The buffer is emptied before dispatch, so that a
// chunk traced from inside a dispatch is neither lost nor sent twice.
void Emit(TraceChannel& ch)
{
    TraceLockHeld held;
    if (ch.count == 0)
        return;
    std::string chunk(ch.buffer, ch.count);
    ch.count = 0;
    Dispatch(ch, chunk);
}

struct UpdateLogState {
    bool enabled = false;
    std::string tag = "   ";
    std::string path; // empty: beside the program
};

UpdateLogState& LogState()
{
    static UpdateLogState* state = new UpdateLogState;
    return *state;
}

} // namespace

void SetDebugOutputModeForTest(std::uint8_t mode)
{
    TraceChannel& ch = Channel();
    TraceLockHeld held;
    ch.mode = mode;
}

void SetTraceOutputs(TraceOutputs outputs)
{
    TraceChannel& ch = Channel();
    TraceLockHeld held;
    ch.outputs = std::move(outputs);
}

std::string RewriteLineBreaks(std::string_view chunk)
{
    std::string out;
    out.reserve(chunk.size() + 8);
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        char c = chunk[i];
        if (c == '\r') {
            if (i + 1 < chunk.size() && chunk[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

void TraceAppend(std::string_view text)
{
    TraceChannel& ch = Channel();
    TraceLockHeld held;
    for (char c : text) {
        if (ch.count == kTraceChunkSize)
            Emit(ch);
        ch.buffer[ch.count++] = c;
    }
    if (ch.count == kTraceChunkSize)
        Emit(ch);
}

void TraceFlush() { Emit(Channel()); }

std::string FaultLine(std::string_view message, std::string_view function, std::string_view detail)
{
    std::string line = " --- ";
    line += function;
    line += "()";
    if (!detail.empty()) {
        line += " --- ";
        line += detail;
    }
    line += " --- ";
    line += message;
    return line;
}

void LogFault(std::string_view message, std::string_view function, std::string_view detail)
{
    TraceLine(FaultLine(message, function, detail));
}

std::string UpdateLogLine(const DateTime& when, const std::string& dateSeparator, const std::string& timeSeparator,
                          unsigned long threadId, std::string_view tag, std::string_view message)
{
    std::string line = StampText(false, when, dateSeparator, timeSeparator) + " ";
    line += PadLeft(std::to_string(threadId), 5, ' ');
    line += tag;
    line += message;
    line += "\r\n";
    return line;
}

std::string UpdateLogPathFor(std::string_view programPath)
{
    std::string path(programPath);
    std::size_t slash = path.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = FileTitle(path, false);
    if (name.compare(0, 2, "X_") != 0)
        name.insert(0, "X_");
    return folder + name + ".log";
}

void EnableUpdateLog(bool enabled) { LogState().enabled = enabled; }
bool UpdateLogEnabled() { return LogState().enabled; }
void SetUpdateLogTag(std::string_view tag) { LogState().tag = std::string(tag); }
const std::string& UpdateLogTag() { return LogState().tag; }
void SetUpdateLogPath(std::string_view path) { LogState().path = std::string(path); }
const std::string& UpdateLogPath() { return LogState().path; }
