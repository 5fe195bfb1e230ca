#include "agent/UpdateCycle.h"

#include "util/Utils.h"

namespace {

std::string WithProgramName(const std::string& text, const std::string& programName)
{
    return ReplaceAll(text, "PROG_NAME", programName);
}

} // namespace

std::string DownloadQuestionText(const CycleQuestions& q, const AutoTextLookup& text, const std::string& programName)
{
    std::string second;
    if (q.confirmDownloadForce)
        second = text(q.confirmInstall ? "s19" : "s18");
    else
        second = text(q.confirmInstall ? "s13" : "s12");
    return WithProgramName(text("s11") + second, programName);
}

std::string InstallQuestionText(const CycleQuestions& q, const AutoTextLookup& text, const std::string& programName)
{
    return WithProgramName(text(q.confirmInstallForce ? "s20" : "s14"), programName);
}

QuestionStyle QuestionStyleFor(bool confirm, bool force, bool interactive)
{
    if (!confirm || interactive)
        return QuestionStyle::None;
    return force ? QuestionStyle::Inform : QuestionStyle::Ask;
}

bool StartsProductAgain(bool completed, bool stopped, bool restartAsked, bool agreed)
{
    if (!stopped)
        return false;
    return completed ? restartAsked && agreed : true;
}

std::string RestartAgentArguments(const std::string& overrideList)
{
    return "/_ZZ=99 /WAIT=10 /TRANSIENT=" + overrideList;
}
