// The trace channel and the update log: the launcher's two diagnostic outputs.
//
// Trace channel: every module appends free text with TraceWrite and ends lines with
// TraceLine. Text is buffered in chunks of at most 128 characters; a full buffer, a
// line end or TraceFlush hands the chunk on. Which outputs receive it (the debug viewer
// window, the trace file) depends on the debug output mode. The buffering, the mode table
// and the line-break rewrite are portable; the outputs themselves are installed on
// Windows by StartTraceChannel, and natively a test can install its own with
// SetTraceOutputs. Nothing in here ever fails towards the caller.
//
// Update log: timestamped lines in a file beside the program, written only when the
// agent's payload asks for it. Its formatting is portable; writing it is Windows-only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "util/Utils.h"

// ---- trace channel ---------------------------------------------------------------

constexpr std::size_t kTraceChunkSize = 128;
// Passed with every message to the debug viewer.
constexpr std::uint16_t kTraceSenderNumber = 1;
constexpr const char* kTraceViewerClass = ".KDebug.";
constexpr const char* kTraceViewerMessage = ".K_DebugMsg.";
constexpr const char* kTraceFilePath = "C:\\ProgramData\\_kdebug.txt";

// Debug output mode: 0 viewer only (the product's value), 1 trace file only, 2 both,
// 3 and above nothing. Test-only: the product never changes the mode.
void SetDebugOutputModeForTest(std::uint8_t mode);

// Where chunks go. toFile receives the chunk with its line breaks already rewritten to
// CR LF; toViewer receives it exactly as buffered. An empty function drops the chunk.
struct TraceOutputs {
    std::function<void(const std::string& text)> toFile;
    std::function<void(const std::string& chunk)> toViewer;
};
void SetTraceOutputs(TraceOutputs outputs);

// Every CR LF, lone CR and lone LF becomes CR LF.
std::string RewriteLineBreaks(std::string_view chunk);

// Appends raw text to the current line; a full buffer is emitted on the way.
void TraceAppend(std::string_view text);
// Emits whatever is buffered (nothing when the buffer is empty).
void TraceFlush();

// How a value is written to the trace channel.
inline std::string_view TraceText(std::string_view s) { return s; }
inline std::string_view TraceText(const std::string& s) { return s; }
inline std::string_view TraceText(const char* s) { return s ? std::string_view(s) : std::string_view(); }
inline std::string TraceText(char c) { return std::string(1, c); }
inline std::string_view TraceText(bool b) { return b ? "TRUE" : "FALSE"; }
template <class T,
          std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>, int> = 0>
std::string TraceText(T value)
{
    return std::to_string(value);
}

// TraceWrite("Size=", size, " ok=", true) appends without ending the line.
template <class... Parts> void TraceWrite(const Parts&... parts) { (TraceAppend(TraceText(parts)), ...); }

// Appends the parts and CR LF, then flushes.
template <class... Parts> void TraceLine(const Parts&... parts)
{
    TraceWrite(parts...);
    TraceAppend("\r\n");
    TraceFlush();
}

// " --- Function() --- detail --- message" (the detail part only when not empty).
std::string FaultLine(std::string_view message, std::string_view function, std::string_view detail);
void LogFault(std::string_view message, std::string_view function, std::string_view detail = {});

// Windows: registers the viewer message and installs the viewer and trace-file outputs.
// Call once at start-up, before anything is traced.
void StartTraceChannel();

// ---- update log ------------------------------------------------------------------

// "dd/mm/yy HH:NN:SS" (local time, with the user's separators), a blank, the thread id
// right-aligned to 5, the tag, the message and CR LF.
std::string UpdateLogLine(const DateTime& when, const std::string& dateSeparator, const std::string& timeSeparator,
                          unsigned long threadId, std::string_view tag, std::string_view message);

// The log beside a program: "X_" + its name with the extension ".log", in its folder
// (no second "X_" when the name already starts with it; the test is case-sensitive).
std::string UpdateLogPathFor(std::string_view programPath);

// Set once at start-up, when the agent's payload asks for a log.
void EnableUpdateLog(bool enabled);
bool UpdateLogEnabled();
// Three characters; "   " until changed (" X " in the agent's X_ copy).
void SetUpdateLogTag(std::string_view tag);
const std::string& UpdateLogTag();

// Where the log goes when not beside the program: the agent's state folder, decided at
// start-up (an agent that may not write beside itself keeps its log in a folder of the
// user's own). Empty: beside the program.
void SetUpdateLogPath(std::string_view path);
const std::string& UpdateLogPath();

// Windows only. The path of the update log: the one set, else the one beside the program.
std::string UpdateLogFileName();
// Windows only. Appends one line when the log is enabled; failures are swallowed.
void WriteUpdateLog(std::string_view message);
