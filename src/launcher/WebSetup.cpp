#include "launcher/WebSetup.h"

#include "launcher/ExitCodes.h"
#include "launcher/LauncherWindow.h"
#include "launcher/RunContext.h"
#include "launcher/SetupTexts.h"
#include "net/DownloadRules.h"
#include "net/HtmlErrorPage.h"
#include "net/InetHTTP.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadEntry.h"
#include "trust/HeldFileWin.h"
#include "trust/Sha256.h"
#include "ui/KMsgBox.h"
#include "ui/KProgBar.h"
#include "ui/MsgBoxLayout.h"
#include "util/CommandLineWin.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

constexpr const char* kBadSetupHash = "Bad Setup File!<P>It is not the setup this launcher was made for (its SHA-256 "
                                      "differs).";

// Whether held is the setup the web launcher was made for. A launcher made without a
// SHA-256 trusts the download token alone, as before; one whose SHA-256 does not read
// as one runs nothing.
bool IsPinnedSetup(const TGFileInfo& own, const HeldFile& held)
{
    if (own.DownloadSha256().empty())
        return true;
    const std::optional<Sha256Digest> pinned = Sha256FromHex(own.DownloadSha256());
    return pinned && held.sha256 && *pinned == *held.sha256;
}

struct SetupFile {
    WebFetch state = WebFetch::Ready;
    std::string path;
    bool downloaded = false; // this run brought it, and deletes it at its end
    std::string error;       // why it Failed

    void Fail(std::string why)
    {
        state = WebFetch::Failed;
        error = std::move(why);
    }
};

// The setup file beside the launcher (file.path), or downloaded into the temp folder.
void FetchSetupFile(SetupFile& file, LauncherWindow& view, const TGFileInfo& own, const std::string& url,
                    const std::string& fileName, bool hidden)
{
    const TextLookup text = [&own](const std::string& key, const std::string& def) {
        return own.LocalizedText(key, def);
    };
    // The name comes from the payload and becomes a path in the temp folder.
    if (!IsSafeEntryName(fileName)) {
        TraceLine(ProcessIdText(), " ==== refused setup file name >>", fileName, "<<");
        return file.Fail(DownloadDisplayName(url) + " --- Error downloading file (refused name)");
    }
    if (FileExists(file.path))
        return;

    view.SetLabel(text("s10", "Downloading File..."), own.FontName(), own.Charset(), own.FontSize());
    if (own.ConfirmDownload() && !hidden &&
        !MsgConfirmYesNo(view.Owner(), DownloadConfirmText(own.DownloadSize(), text), text("Confirm", "Confirm"),
                         text("BtnText", kDefaultButtonList), static_cast<std::uint8_t>(own.Charset())))
        file.state = WebFetch::Declined;
    // A missing connection is told even to a user who declined.
    std::string reason;
    if (!HTTP_IsConnected(reason))
        file.Fail(text("s12", "No valid Internet Connection.<p>Can not Download File!") +
                  (reason.empty() ? "" : "<P><P>" + reason));
    ClearDownloadAbort();
    file.path = TempFolder(true) + fileName;
    if (file.state == WebFetch::Ready) {
        DownloadOptions how;
        how.window = hidden ? nullptr : view.Handle();
        how.bar = &SharedProgBar();
        // The size the builder wrote beside the setup's SHA-256 is as sure as the hash: a
        // server that gives no length must send exactly that.
        if (!own.DownloadSha256().empty())
            how.knownSize = ParseInt64(own.DownloadSize(), -1);
        std::string error = HTTP_DownloadFile_Incremental(url, how, file.path);
        file.downloaded = error.empty();
        // A cancel leaves no file: that is a failed download, not a setup with a
        // foreign token.
        if (error.empty() && !FileExists(file.path))
            error = DownloadDisplayName(url) + " --- Error downloading file";
        if (!error.empty())
            file.Fail(std::move(error));
    }
    SleepPumping(0, 300);
    ProgressSink(0, 0, 10, 0, 1, std::string());
    SleepPumping(0, 700);
}

} // namespace

SetupOutcome WebSetupRun(LauncherWindow& view, const RunContext& run, const WebSetupRequest& request)
{
    const TGFileInfo& own = run.own;
    const std::string url = request.source + "/" + request.fileName;
    SetupFile file;
    file.path = WithBackslash(request.source, true) + request.fileName;
    FetchSetupFile(file, view, own, url, request.fileName, request.hidden);
    // A launcher that names its setup's SHA-256 holds the file from the check until it
    // has run, so that nobody can swap it in between.
    HeldFile held;
    if (file.state == WebFetch::Ready) {
        if (!own.DownloadSha256().empty())
            held = HoldAndHash(file.path);
        if (!TGFileInfo(file.path).SameDownloadToken(own))
            file.Fail(HtmlNotFoundMessage(HtmlPageStart(file.path), url, "Bad Secret Token!", false));
        else if (!IsPinnedSetup(own, held))
            file.Fail(kBadSetupHash);
    }

    SetupOutcome outcome;
    if (file.state == WebFetch::Ready)
        outcome = SetupRun(view, run,
                           {request.workFolder, file.path, std::string(), CommandArgs(), !request.hidden,
                            request.removeWhenCompleted});
    held.file.reset();
    if (file.downloaded)
        DeleteFileA(file.path.c_str());
    switch (file.state) {
    case WebFetch::Ready: break;
    case WebFetch::Declined: outcome = {kExitUserCancelled, false}; break;
    case WebFetch::Failed:
        outcome = {kExitDownloadFailed, false};
        TraceLine(ProcessIdText(), " ==== WebSetupRun: ", file.error);
        // A silent run has nobody to click a box away: its exit code says it.
        if (!request.hidden)
            MsgError(view.Owner(), file.error, own.LocalizedText("Error", "Error"),
                     own.LocalizedText("BtnText", kDefaultButtonList), static_cast<std::uint8_t>(own.Charset()));
        break;
    }
    return outcome;
}

std::string WebSetupSource(const TGFileInfo& own)
{
    const std::string fileName = own.DownloadFileName();
    const std::string beside = ProgramFolder(true) + fileName;
    bool useBeside = !own.AlwaysDownload() && FileExists(beside);
    if (useBeside && !own.DownloadSha256().empty() && !IsPinnedSetup(own, HoldAndHash(beside))) {
        TraceLine(ProcessIdText(), " SetupTick: not the setup of this launcher (SHA-256 differs): >>", beside, "<<");
        useBeside = false;
    }
    return useBeside ? ProgramFolder(false) : own.DownloadUrl();
}
