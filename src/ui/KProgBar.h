// Progress reporting: ProgressSink drives the launcher window's main bar and activity
// bar; TProgBar is the object downloads report through, adding status and message texts
// for an optional handler, pauses around each event and a cancel flag. Every event keeps
// the launcher's windows responsive by dispatching waiting window messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// kind 0 sets up (range 0..maximum, position, step; a maximum of 0 empties the bars),
// kind 1 steps; the minimum and the text are not used by the bars.
using ProgressProc = void (*)(int kind, int minimum, int maximum, int position, int step, const std::string& text);

// The two progress controls ProgressSink drives; the launcher window hands them over when
// it creates them (none: the sink does nothing).
void SetProgressBars(HWND mainBar, HWND activityBar);
// The main bar's maximum is a 16-bit value: higher bits are cut off.
void ProgressSink(int kind, int minimum, int maximum, int position, int step, const std::string& text);

class TProgBar {
public:
    // Handler event kinds: 1 progress (value = position), 2 status text, 3 done, 5 message.
    using Handler = void (*)(TProgBar& bar, int kind, int value, int maximum, const std::string& text);

    explicit TProgBar(ProgressProc sink);
    // Raises Done once more.
    ~TProgBar();
    TProgBar(const TProgBar&) = delete;
    TProgBar& operator=(const TProgBar&) = delete;

    Handler ProgressHandler = nullptr;
    ProgressProc Sink;
    // Milliseconds to wait (pumping messages) before and after each event.
    int PauseBeforeProgress = 0;
    int PauseAfterProgress = 0;
    int PauseBeforeText = 0;
    int PauseAfterText = 0;
    int PauseBeforeDone = 0;
    int PauseAfterDone = 0;
    std::uint8_t Reserved = 0;
    // Set by whoever wants a running download to stop; the download polls it.
    std::uint8_t Cancel = 0;

    void ReportProgress(int position, int maximum);
    // Status text; steps the bars once.
    void ReportText(const std::string& text);
    // Empties the bars.
    void ReportDone(int waitBefore, int waitAfter);
    // Message text for the handler only.
    void ReportMessage(const std::string& text);
};

// The launcher's one notifier, bound to ProgressSink: made on first use, kept to the end.
TProgBar& SharedProgBar();
