#include "agent/UpdateCycle.h"

#include "util/Utils.h"

namespace {

std::string WithProgramName(const std::string& text, const Release& release)
{
    return ReplaceAll(text, "PROG_NAME", release.programName);
}

} // namespace

QuestionStyle QuestionStyleFor(bool confirm, bool force, bool interactive)
{
    if (!confirm || interactive)
        return QuestionStyle::None;
    return force ? QuestionStyle::Inform : QuestionStyle::Ask;
}

std::string DownloadQuestionText(const Release& release, const AutoTextLookup& text)
{
    std::string second;
    if (release.confirmDownloadForce)
        second = text(release.confirmInstall ? "s19" : "s18");
    else
        second = text(release.confirmInstall ? "s13" : "s12");
    return WithProgramName(text("s11") + second, release);
}

std::string InstallQuestionText(const Release& release, const AutoTextLookup& text)
{
    return WithProgramName(text(release.confirmInstallForce ? "s20" : "s14"), release);
}

CycleChoices CycleChoicesFor(const Release& release, bool interactive, const AutoTextLookup& text)
{
    CycleChoices c;
    c.runs = !release.downloadUrl.empty() && !release.nameOfUpdateFile.empty();
    if (!c.runs)
        return c;
    c.downloadQuestion = QuestionStyleFor(release.confirmDownload, release.confirmDownloadForce, interactive);
    c.downloadText = DownloadQuestionText(release, text);
    c.installQuestion = QuestionStyleFor(release.confirmInstall, release.confirmInstallForce, interactive);
    c.installText = InstallQuestionText(release, text);
    c.shutDown = ShutDownMethodOf(release.shutDownMethod);
    c.shutDownWaitSeconds = ShutDownWaitSeconds(release.shutDownWaitSeconds);
    c.foreground = !release.backgroundUpdate;
    return c;
}

bool PutsOff(ShutDownMethod method, ShutDownOutcome outcome)
{
    return WaitsForEnd(method) && outcome == ShutDownOutcome::StillRunning;
}

bool RestartAfter(const Release& release, ShutDownOutcome outcome)
{
    return release.restartProcess && outcome == ShutDownOutcome::Stopped;
}

FinishBox FinishBoxFor(const Release& release, bool interactive, bool completed, bool restartAfter)
{
    if (!completed || !(release.informFinish || interactive))
        return FinishBox::None;
    return restartAfter ? FinishBox::AskRestart : FinishBox::Notice;
}

bool StartsProductAgain(bool completed, bool stopped, bool restartAsked, bool agreed)
{
    if (!stopped)
        return false;
    return completed ? restartAsked && agreed : true;
}

bool RestartsAgent(int shutdownCountdown) { return shutdownCountdown <= 0; }

std::string RestartAgentArguments(const std::string& overrideList)
{
    return "/_ZZ=99 /WAIT=10 /TRANSIENT=" + overrideList;
}
