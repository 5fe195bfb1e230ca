#include "agent/FetchWin.h"

#include <windows.h>

#include "agent/AgentBoxes.h"
#include "agent/AgentSession.h"
#include "agent/ServerFileName.h"
#include "net/DownloadRules.h"
#include "net/HtmlErrorPage.h"
#include "net/InetHTTP.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "ui/KProgBar.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

std::string CaptionFor(const OriginalFile& original, FetchKind kind)
{
    switch (kind) {
    case FetchKind::Info: return original.AutoUpdateText("s31", "Downloading INFO File...");
    case FetchKind::Update: return original.AutoUpdateText("s32", "Downloading UPDATE File...");
    case FetchKind::Inform: return original.AutoUpdateText("s33", "Downloading INFORM File...");
    }
    return std::string();
}

// A copy from a folder is quick: the bar still moves, so that a user who confirmed the
// download sees it happen.
void ShowCopyProgress()
{
    ProgressSink(0, 0, 10, 0, 1, std::string());
    for (int i = 0; i < 10; ++i) {
        ProgressSink(1, 0, 10, 0, 1, std::string());
        SleepPumping(0, 300);
    }
    ProgressSink(0, 0, 0, 0, 1, std::string());
}

// The ".info" bytes are kept whatever came, so that nobody (the update's engine is given
// the file) reads an older release's description. One that cannot be kept has not
// arrived.
FetchOutcome KeepInfo(const std::string& local, const std::string& source, FetchOutcome outcome)
{
    if (outcome.error.empty() && !outcome.info.empty())
        outcome.error = HtmlNotFoundMessage(outcome.info, source, std::string(), false);
    outcome.fetched = outcome.error.empty() && !outcome.info.empty();
    if (const SysResult kept = WriteFileData(local, outcome.info, 0, false); !kept) {
        outcome.fetched = false;
        outcome.error = local + " --- " + ErrorText(kept.error);
        WriteUpdateLog("ERROR: " + outcome.error);
    }
    outcome.error = ShownInfoError(outcome.error);
    return outcome;
}

} // namespace

std::string FetchedFilePath(const AgentSession& session, const std::string& path)
{
    const std::string name = BareServerName(path);
    return name.empty() ? std::string() : session.files.fetchFolder + name;
}

bool TokenCheck(const AgentSession& session, const std::string& file, FetchKind kind)
{
    const TGFileInfo* own = session.host.own;
    if (!own)
        return false;
    switch (kind) {
    case FetchKind::Update: return TGFileInfo(file).SameUpdateToken(*own);
    case FetchKind::Inform:
        return SameToken(SplitInformText(ReadFileRange(file, 0, 0)).storedToken, own->UpdateToken(false));
    case FetchKind::Info: return false;
    }
    return false;
}

FetchOutcome DownloadFileAU(AgentSession& session, const std::string& baseIn, const std::string& path, FetchKind kind,
                            bool confirmDownload)
{
    FetchOutcome outcome;
    const bool testMode = session.test.on;
    const std::string base = testMode ? session.test.url : baseIn;
    // The name comes from a server (or the payload) and becomes a path in the agent's
    // folder: only a bare name is fetched.
    const std::string local = FetchedFilePath(session, path);
    if (local.empty()) {
        TraceLine(ProcessIdText(), " DownloadFileAU: not a bare file name >", path, "<");
        return outcome;
    }
    const std::string name = FileNamePart(local);
    std::string source = base + "\\" + name;
    TraceLine(ProcessIdText(), " DownloadFileAU: ", source);
    WriteUpdateLog("TestMode=" + BoolText(testMode));
    WriteUpdateLog("Download START: " + source);

    const bool show = kind == FetchKind::Update && confirmDownload && !session.Interactive();
    if (show && session.window)
        ::ShowWindow(session.window, SW_SHOW);
    session.Caption(CaptionFor(session.original, kind));

    std::string destination;
    std::string reason;
    if (FileExists(source)) {
        if (kind == FetchKind::Info) {
            outcome.info = ReadFileRange(source, 0, 0);
        } else if (FindFileSize(source) > 0) {
            destination = local;
            if (const SysResult copied = CopyFileWritable(source, destination); !copied)
                outcome.error = source + " --- " + ErrorText(copied.error);
            else if (show)
                ShowCopyProgress();
        }
    } else if (!testMode && HTTP_IsConnected(reason)) {
        SleepPumping(0, 500);
        source = base + "/" + name;
        if (kind != FetchKind::Info)
            destination = local;
        ClearDownloadAbort();
        outcome.error =
            HTTP_DownloadFile_Incremental(session.Interactive() ? session.window : nullptr, source, destination,
                                          kind == FetchKind::Info ? &outcome.info : nullptr, &SharedProgBar());
        // A transfer cut short without a word from the server leaves no file.
        if (outcome.error.empty() && kind != FetchKind::Info && !FileExists(destination))
            outcome.error = DownloadDisplayName(source) + " --- Error downloading file";
        SleepPumping(0, 500);
    }
    if (show && session.window)
        ::ShowWindow(session.window, SW_HIDE);
    WriteUpdateLog("Download END:   " + source);

    if (kind == FetchKind::Info)
        return KeepInfo(local, source, std::move(outcome));

    if (outcome.error.empty() && !destination.empty()) {
        outcome.fetched = true;
        if (!TokenCheck(session, destination, kind)) {
            outcome.fetched = false;
            const std::string message =
                HtmlNotFoundMessage(HtmlPageStart(destination), source, "Bad Secret Token!", false);
            ::DeleteFileA(destination.c_str());
            WriteUpdateLog("ERROR: " + message);
            AgentError(session.original, BoxOwner::ActiveWithHeading(), message);
        }
    }
    if (!outcome.error.empty() && source.size() > 2 && confirmDownload) {
        const OriginalFile& original = session.original;
        const std::string message =
            FetchFailureText(source, DownloadAbortRequested(), original.AutoUpdateText("s3", "File Download Aborted!"),
                             original.AutoUpdateText("s4", "File not Found!"),
                             original.AutoUpdateText("s5", "Unable to Download File!"));
        WriteUpdateLog("ATTENTION: " + message);
        AgentAttention(original, BoxOwner::ActiveWithHeading(), message);
    }
    return outcome;
}
