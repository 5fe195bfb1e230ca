#include "agent/FetchWin.h"

#include <windows.h>

#include <vector>

#include "agent/AgentBoxes.h"
#include "agent/AgentSession.h"
#include "agent/ServerFileName.h"
#include "net/DownloadRules.h"
#include "net/HtmlErrorPage.h"
#include "net/InetHTTP.h"
#include "payload/GFileInfo.h"
#include "payload/Token.h"
#include "trust/Sha256.h"
#include "ui/KProgBar.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

constexpr DWORD kCopyPiece = 1 << 20;

std::string CaptionFor(const OriginalFile& original, FetchKind kind)
{
    switch (kind) {
    case FetchKind::Info: return original.AutoUpdateText("s31", "Downloading INFO File...");
    case FetchKind::Update: return original.AutoUpdateText("s32", "Downloading UPDATE File...");
    case FetchKind::Inform: return original.AutoUpdateText("s33", "Downloading INFORM File...");
    }
    return std::string();
}

std::int64_t LargestOf(FetchKind kind) { return kind == FetchKind::Info ? kLargestInfo : kLargestInform; }

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

// A folder's file into memory, when it is not larger than largest; the failure text.
std::string CopyToMemory(const std::string& source, std::int64_t largest, std::string& bytes)
{
    const std::int64_t size = FindFileSize(source);
    if (size > largest)
        return DownloadDisplayName(source) + " --- Error downloading file (" + std::to_string(size) +
               " bytes, more than the " + std::to_string(largest) + " it may have)";
    bytes = ReadFileRange(source, 0, 0);
    return std::string();
}

// A folder's file into the held file, through the same writer and hash as a download.
std::string CopyToHeld(const std::string& source, HeldDownload& file)
{
    const ScopedFile in(::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in)
        return source + " --- " + LastErrorText();
    std::vector<char> buffer(kCopyPiece);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(in.get(), buffer.data(), kCopyPiece, &got, nullptr))
            return source + " --- " + LastErrorText();
        if (got == 0)
            return std::string();
        std::string error;
        if (!file.Take(buffer.data(), got, error))
            return source + " --- " + error;
        YieldX(0);
    }
}

// Why the fetched bytes are not the file the release signed; empty when they are.
std::string SignedMismatch(const std::string& name, const SignedFile& expected, std::int64_t size,
                           const std::optional<Sha256Digest>& digest)
{
    if (size != expected.size)
        return name + ": not the file the release signed (" + std::to_string(size) + " bytes, signed " +
               std::to_string(expected.size) + ")";
    if (!digest || *digest != expected.sha256)
        return name + ": not the file the release signed (its SHA-256 differs)";
    return std::string();
}

// A fetched file that is not to be kept: logged, and the user told, whatever the mode.
void Refuse(const AgentSession& session, const std::string& message)
{
    WriteUpdateLog("ERROR: " + message);
    TraceLine(ProcessIdText(), " DownloadFileAU: ", message);
    AgentError(session.original, BoxOwner::ActiveWithHeading(), message);
}

// Where the fetch takes the file from, with the trace line of a refusal.
FetchSource SourceFor(const AgentSession& session, const std::string& base, FetchKind kind)
{
    if (session.test.on)
        return FetchSource::Folder; // test sources are folders, the Part's own rule
    const FetchSource source = FetchSourceOf(base, kind != FetchKind::Info, session.UpdateServer());
    if (source == FetchSource::Refused)
        TraceLine(ProcessIdText(), " DownloadFileAU: refused, not a web address nor within the product's folder >",
                  base, "<");
    return source;
}

} // namespace

bool UpdateTokenCheck(const AgentSession& session, const std::string& file)
{
    return session.host.own && TGFileInfo(file).SameUpdateToken(*session.host.own);
}

bool InformTokenCheck(const AgentSession& session, const std::string& bytes)
{
    return session.host.own && SameToken(SplitInformText(bytes).storedToken, session.host.own->UpdateToken(false));
}

std::string FetchSignature(AgentSession& session, const std::string& infoName)
{
    const std::string name = BareServerName(infoName) + kSignatureSuffix;
    const std::string base = session.test.on ? session.test.url : session.UpdateServer();
    std::string bytes;
    if (FileExists(base + "\\" + name)) {
        if (!CopyToMemory(base + "\\" + name, kLargestSignature, bytes).empty())
            bytes.clear();
    } else if (!session.test.on) {
        DownloadOptions how;
        how.largest = kLargestSignature;
        if (!HTTP_DownloadToMemory(base + "/" + name, how, bytes).empty())
            bytes.clear();
    }
    TraceLine(ProcessIdText(), " DownloadFileAU: ", name, bytes.empty() ? " not served" : " arrived");
    return bytes;
}

FetchOutcome DownloadFileAU(AgentSession& session, const std::string& baseIn, const std::string& path, FetchKind kind,
                            bool confirmDownload, const std::optional<SignedFile>& expected, HeldDownload* file)
{
    FetchOutcome outcome;
    const bool testMode = session.test.on;
    const std::string base = testMode ? session.test.url : baseIn;
    // The name comes from a server (or the payload) and names the fetched file: only a
    // bare name, and none of the agent's own files.
    const std::string name = BareServerName(path);
    if (name.empty()) {
        TraceLine(ProcessIdText(), " DownloadFileAU: not a bare file name >", path, "<");
        return outcome;
    }
    const TGFileInfo* own = session.host.own;
    if (kind != FetchKind::Info && IsOwnFileName(name, session.files.OwnNames(own ? own->AgentFileName() : ""))) {
        TraceLine(ProcessIdText(), " DownloadFileAU: refused, the name of the agent's own file >", name, "<");
        WriteUpdateLog("ERROR: refused: " + name + " is the name of one of the agent's own files");
        return outcome;
    }
    if (kind == FetchKind::Update && (!file || !file->Made()))
        return outcome;
    const FetchSource from = SourceFor(session, base, kind);
    std::string source = base + "\\" + name;
    TraceLine(ProcessIdText(), " DownloadFileAU: ", source);
    WriteUpdateLog("TestMode=" + BoolText(testMode));
    WriteUpdateLog("Download START: " + source);

    const bool show = kind == FetchKind::Update && confirmDownload && !session.Interactive();
    if (show && session.window)
        ::ShowWindow(session.window, SW_SHOW);
    session.Caption(CaptionFor(session.original, kind));

    const bool folderFirst = from == FetchSource::Folder || from == FetchSource::FolderThenWeb;
    const bool webAfter = from == FetchSource::Web || from == FetchSource::FolderThenWeb;
    std::string reason;
    bool arrived = false;
    if (from == FetchSource::Refused) {
        outcome.error = base + " --- refused: not an http:// or https:// address";
    } else if (folderFirst && FileExists(source)) {
        if (kind != FetchKind::Update) {
            outcome.error = CopyToMemory(source, LargestOf(kind), outcome.bytes);
        } else if (FindFileSize(source) > 0) {
            outcome.error = CopyToHeld(source, *file);
            if (outcome.error.empty() && show)
                ShowCopyProgress();
        }
    } else if (webAfter && !testMode && HTTP_IsConnected(reason)) {
        SleepPumping(0, 500);
        source = base + "/" + name;
        ClearDownloadAbort();
        DownloadOptions how;
        how.window = session.Interactive() ? session.window : nullptr;
        how.bar = &SharedProgBar();
        how.knownSize = expected ? expected->size : -1;
        if (kind == FetchKind::Update) {
            outcome.error = HTTP_DownloadTo(source, how, [file](const char* bytes, std::size_t size, std::string& e) {
                return file->Take(bytes, size, e);
            });
        } else {
            how.largest = LargestOf(kind);
            outcome.error = HTTP_DownloadToMemory(source, how, outcome.bytes);
        }
        // A cancel on the bar ends it without a word: nothing has arrived.
        if (outcome.error.empty() && SharedProgBar().Cancel)
            outcome.error = DownloadDisplayName(source) + " --- Error downloading file";
        SleepPumping(0, 500);
    }
    arrived = outcome.error.empty() && (kind == FetchKind::Update ? file->Size() > 0 : !outcome.bytes.empty());
    if (show && session.window)
        ::ShowWindow(session.window, SW_HIDE);
    WriteUpdateLog("Download END:   " + source);

    if (kind == FetchKind::Info) {
        if (arrived)
            outcome.error = HtmlNotFoundMessage(outcome.bytes, source, std::string(), false);
        outcome.fetched = arrived && outcome.error.empty();
        outcome.error = ShownInfoError(outcome.error);
        return outcome;
    }

    if (arrived) {
        std::string refusal;
        if (expected)
            refusal = kind == FetchKind::Update
                          ? SignedMismatch(name, *expected, file->Size(), file->Finish())
                          : SignedMismatch(name, *expected, static_cast<std::int64_t>(outcome.bytes.size()),
                                           Sha256Of(outcome.bytes));
        const bool tokenOk = kind == FetchKind::Update ? UpdateTokenCheck(session, file->Path())
                                                       : InformTokenCheck(session, outcome.bytes);
        if (refusal.empty() && !tokenOk)
            refusal = HtmlNotFoundMessage(kind == FetchKind::Update ? HtmlPageStart(file->Path()) : outcome.bytes,
                                          source, "Bad Secret Token!", false);
        if (refusal.empty()) {
            outcome.fetched = true;
        } else {
            // Gone before anybody could take it for the release's file.
            if (kind == FetchKind::Update)
                *file = HeldDownload();
            outcome.bytes.clear();
            Refuse(session, refusal);
        }
    }
    if (!outcome.error.empty()) {
        WriteUpdateLog("ERROR: " + outcome.error);
        if (source.size() > 2 && confirmDownload) {
            const OriginalFile& original = session.original;
            const std::string message = FetchFailureText(source, DownloadAbortRequested(),
                                                         original.AutoUpdateText("s3", "File Download Aborted!"),
                                                         original.AutoUpdateText("s4", "File not Found!"),
                                                         original.AutoUpdateText("s5", "Unable to Download File!"));
            WriteUpdateLog("ATTENTION: " + message);
            AgentAttention(original, BoxOwner::ActiveWithHeading(), message);
        }
    }
    return outcome;
}
