// The update cycle's rules that need no window: the questions it asks and the command
// that restarts the agent after an update.
#pragma once

#include <functional>
#include <string>

// The release's confirmation flags (with their overrides applied).
struct CycleQuestions {
    bool confirmDownload = false;
    bool confirmDownloadForce = false;  // the download question only informs
    bool confirmInstall = false;
    bool confirmInstallForce = false;   // the install question only informs
};

// An [AutoUpdate] text by key ("s11" ...); these texts have no default.
using AutoTextLookup = std::function<std::string(const std::string& key)>;

// s11 followed by s12 or s13 (s18 or s19 when forced), as the install question follows
// or not; "PROG_NAME" becomes programName.
std::string DownloadQuestionText(const CycleQuestions& q, const AutoTextLookup& text, const std::string& programName);
// s14, or s20 when forced.
std::string InstallQuestionText(const CycleQuestions& q, const AutoTextLookup& text, const std::string& programName);

// How a question is put: not at all (not asked for, or the user started the check and so
// already agreed), as information without a choice, or as a Yes/No question.
enum class QuestionStyle { None, Inform, Ask };
QuestionStyle QuestionStyleFor(bool confirm, bool force, bool interactive);

// Whether the cycle starts the product it stopped once more: after a completed update
// when the release asks for it (restartAsked) and the user agreed; after an update that
// did not complete always, so that the product runs as before.
bool StartsProductAgain(bool completed, bool stopped, bool restartAsked, bool agreed);

// The plain agent, started so that it waits for this copy to end, replaces it and keeps
// the current override bytes.
std::string RestartAgentArguments(const std::string& overrideList);
