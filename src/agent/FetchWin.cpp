#include "agent/FetchWin.h"

#include <windows.h>

#include "agent/AgentBoxes.h"
#include "net/DownloadRules.h"
#include "net/HtmlErrorPage.h"
#include "net/InetHTTP.h"
#include "agent/ServerFileName.h"
#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "ui/KProgBar.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

std::string CaptionFor(FetchKind kind)
{
    switch (kind) {
    case FetchKind::Info: return AutoUpdateText("s31", "Downloading INFO File...");
    case FetchKind::Update: return AutoUpdateText("s32", "Downloading UPDATE File...");
    case FetchKind::Inform: return AutoUpdateText("s33", "Downloading INFORM File...");
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

} // namespace

std::string FetchedFilePath(const std::string& path)
{
    const std::string name = BareServerName(path);
    return name.empty() ? std::string() : ProgramFolder(true) + name;
}

bool TokenCheck(const std::string& file, FetchKind kind)
{
    const TGFileInfo* own = Agent().host.own;
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

bool DownloadFileAU(const std::string& baseIn, const std::string& path, FetchKind kind, std::string& error)
{
    AgentState& a = Agent();
    error.clear();
    std::string data;
    std::string destination;
    std::string base = baseIn;
    if (a.testMode)
        base = a.testUrl;
    // The name comes from a server (or the payload) and becomes a path in the agent's
    // folder: only a bare name is fetched.
    const std::string local = FetchedFilePath(path);
    if (local.empty()) {
        TraceLine(ProcessIdText(), " DownloadFileAU: not a bare file name >", path, "<");
        return false;
    }
    const std::string name = FileNamePart(local);
    std::string source = base + "\\" + name;
    TraceLine(ProcessIdText(), " DownloadFileAU: ", source);
    WriteUpdateLog("TestMode=" + BoolText(a.testMode));
    WriteUpdateLog("Download START: " + source);

    const bool show = kind == FetchKind::Update && ReadInfoFlag(Keys::RequestConfirmationBeforeDownload) &&
                      !a.Interactive();
    if (show && a.window)
        ShowWindow(a.window, SW_SHOW);
    AgentCaption(CaptionFor(kind));

    std::string reason;
    if (FileExists(source)) {
        if (kind == FetchKind::Info) {
            data = ReadFileRange(source, 0, 0);
        } else if (FindFileSize(source) > 0) {
            destination = local;
            if (!CopyFileA(source.c_str(), destination.c_str(), FALSE))
                error = source + " --- " + LastErrorText();
            else if (show)
                ShowCopyProgress();
        }
    } else if (!a.testMode && HTTP_IsConnected(reason)) {
        SleepPumping(0, 500);
        source = base + "/" + name;
        if (kind != FetchKind::Info)
            destination = local;
        ClearDownloadAbort();
        error = HTTP_DownloadFile_Incremental(a.Interactive() ? a.window : nullptr, source, destination,
                                              kind == FetchKind::Info ? &data : nullptr, &SharedProgBar());
        // A transfer cut short without a word from the server leaves no file.
        if (error.empty() && kind != FetchKind::Info && !FileExists(destination))
            error = DownloadDisplayName(source) + " --- Error downloading file";
        SleepPumping(0, 500);
    }
    if (show && a.window)
        ShowWindow(a.window, SW_HIDE);
    WriteUpdateLog("Download END:   " + source);

    bool result = false;
    if (kind == FetchKind::Info) {
        if (error.empty() && !data.empty())
            error = HtmlNotFoundMessage(data, source, std::string(), false);
        result = error.empty() && !data.empty();
        // Written whatever came, so that nobody reads an older release's description.
        WriteFileData(local, data, 0, false);
        if (!error.empty() && error[0] == '3')
            error.clear();
        return result;
    }

    if (error.empty() && !destination.empty()) {
        result = true;
        if (!TokenCheck(destination, kind)) {
            result = false;
            const std::string message =
                HtmlNotFoundMessage(HtmlPageStart(destination), source, "Bad Secret Token!", false);
            DeleteFileA(destination.c_str());
            WriteUpdateLog("ERROR: " + message);
            AgentError(0, message);
        }
    }
    if (!error.empty() && source.size() > 2 && ReadInfoFlag(Keys::RequestConfirmationBeforeDownload)) {
        const std::string message = FetchFailureText(
            source, DownloadAbortRequested(), AutoUpdateText("s3", "File Download Aborted!"),
            AutoUpdateText("s4", "File not Found!"), AutoUpdateText("s5", "Unable to Download File!"));
        WriteUpdateLog("ATTENTION: " + message);
        AgentAttention(0, message);
    }
    return result;
}
