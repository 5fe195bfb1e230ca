// The update cycle's choices, on plain values: what it asks before the download and
// before the installation, how it stops the product, whether the setup runs in the
// foreground, what it says at the end and what it starts again. The cycle itself is
// agent/UpdateCycleWin.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "agent/Release.h"
#include "agent/ShutDown.h"

// An [AutoUpdate] text by key ("s11" ...); these texts have no default.
using AutoTextLookup = std::function<std::string(const std::string& key)>;

// How a question is put: not at all (not asked for, or the user started the check and so
// already agreed), as information without a choice, or as a Yes/No question.
enum class QuestionStyle { None, Inform, Ask };
QuestionStyle QuestionStyleFor(bool confirm, bool force, bool interactive);

// s11 followed by s12 or s13 (s18 or s19 when forced), as the install question follows
// or not; "PROG_NAME" becomes the release's program name.
std::string DownloadQuestionText(const Release& release, const AutoTextLookup& text);
// s14, or s20 when forced.
std::string InstallQuestionText(const Release& release, const AutoTextLookup& text);

// What the cycle does for a release whose flags carry the agent's overrides.
struct CycleChoices {
    bool runs = false; // the release names its update file and where it is
    QuestionStyle downloadQuestion = QuestionStyle::None;
    std::string downloadText;
    QuestionStyle installQuestion = QuestionStyle::None;
    std::string installText;
    ShutDownMethod shutDown = ShutDownMethod::WaitOnly;
    std::int64_t shutDownWaitSeconds = kDefaultShutDownWaitSeconds;
    bool foreground = true; // the setup shows its windows (not BackgroundUpdate)
};
CycleChoices CycleChoicesFor(const Release& release, bool interactive, const AutoTextLookup& text);

// How a cycle ended. Put off: the product it had to stop still ran when the wait was
// over; nothing was installed over it, and the next check offers the release again.
enum class CycleEnd { NotCompleted, Completed, PutOff };
// Whether the cycle puts the update off after the shutdown: the program still runs, and
// the method was one that waits for its end ("Don't Shut Down" installs over it).
bool PutsOff(ShutDownMethod method, ShutDownOutcome outcome);

// The product is started again after the update when the release asks for it and the
// cycle stopped it.
bool RestartAfter(const Release& release, ShutDownOutcome outcome);

// The message at the end of a completed update: none unless the release asks for it or
// the user started the check; a question whether to start the product again when it is
// to be restarted, else a notice.
enum class FinishBox { None, Notice, AskRestart };
FinishBox FinishBoxFor(const Release& release, bool interactive, bool completed, bool restartAfter);

// Whether the cycle starts the product it stopped once more: after a completed update
// when the release asks for it (restartAsked) and the user agreed; after an update that
// did not complete always, so that the product runs as before.
bool StartsProductAgain(bool completed, bool stopped, bool restartAsked, bool agreed);

// The agent restarts itself after a completed update unless it was started with a
// limited lifetime (a shutdown countdown above 0).
bool RestartsAgent(int shutdownCountdown);
// The plain agent, started so that it waits for this copy to end, replaces it and keeps
// the current override bytes.
std::string RestartAgentArguments(const std::string& overrideList);
