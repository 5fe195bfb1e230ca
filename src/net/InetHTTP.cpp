#include "net/InetHTTP.h"

#include <vector>

#include "net/BytesRate.h"
#include "net/DownloadRules.h"
#include "net/InetBinding.h"
#include "ui/KProgBar.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

namespace {

bool g_abort = false;

constexpr DWORD kTimeoutMs = 180000;
// Connect, receive, send, control receive, control send, data receive, data send.
constexpr DWORD kTimeoutOptions[] = {2, 6, 5, 6, 5, 8, 7};
constexpr DWORD kQueryContentLength = HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER;
constexpr DWORD kQueryLastModified = HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME;
constexpr std::size_t kReadBuffer = 8192;
// Nothing the client fetches goes into the system's URL cache: a setup would stay there
// as a second copy, written to disk at the cost of the transfer's speed.
constexpr DWORD kNoCache = INTERNET_FLAG_NO_CACHE_WRITE;

// Asks for the URL once and drops the answer; servers that count requests see the same
// sequence as from every earlier release of the launcher. Only the first byte is asked
// for: a handle closed with the body unread has the whole body drained first (under Wine
// a 200 MiB setup took 20 s that way), and a server that ignores the range costs no more.
void Probe(const std::string& url)
{
    ScopedInternet internet(inet::Open("HTTP_Connect_2"));
    if (internet)
        ScopedInternet(inet::OpenUrl(internet.get(), url, kNoCache, "Range: bytes=0-0\r\n"));
}

// The Content-Length header; 0xFFFFFFFF (-1) when there is none.
DWORD ContentLength(HINTERNET request)
{
    DWORD value = 0xFFFFFFFF;
    DWORD length = sizeof value;
    inet::QueryInfo(request, kQueryContentLength, &value, &length);
    return value;
}

// The Last-Modified header as a packed DOS date and time; 0 when missing or invalid.
uint32_t LastModified(HINTERNET request)
{
    SYSTEMTIME time = {};
    DWORD length = sizeof time;
    inet::QueryInfo(request, kQueryLastModified, &time, &length);
    FILETIME file;
    WORD date = 0, clock = 0;
    if (!::SystemTimeToFileTime(&time, &file) || !::FileTimeToDosDateTime(&file, &date, &clock))
        return 0;
    return (static_cast<uint32_t>(date) << 16) | clock;
}

std::string ReadFailure(const std::string& name, DWORD code)
{
    std::string reason = ErrorText(code);
    if (reason.empty())
        reason = inet::LastResponseInfo();
    const std::string error = name + " --- Error downloading file";
    return reason.empty() ? error : error + " (" + reason + ")";
}

// Steps 3 to 14 of a download: everything after the probe.
std::string Transfer(HWND window, const std::string& url, const std::string& localFile, std::string* data,
                     TProgBar* bar, const std::string& name)
{
    ScopedInternet internet(inet::Open("HTTP_Connect_3"));
    if (!internet)
        return "Unable to initialize \"WinINet.dll\"";
    for (const DWORD option : kTimeoutOptions)
        inet::SetOption(internet.get(), option, kTimeoutMs);
    // Always from the server, never from the cache.
    ScopedInternet request(inet::OpenUrl(internet.get(), DownloadUrlFor(url), INTERNET_FLAG_RELOAD | kNoCache));
    if (!request)
        return "Unable to open Internet Connection: " + url;
    const uint32_t size = ContentLength(request.get());
    const uint32_t date = LastModified(request.get());
    if (size == 0)
        return url + " --- File Not Found !";
    if (reinterpret_cast<std::uintptr_t>(window) > 10)
        ::ShowWindow(window, SW_SHOW);

    std::string partial;
    ScopedFile out;
    if (!localFile.empty()) {
        partial = PartialFileName(localFile, size, date);
        // Leftovers of earlier attempts (the mask also matches the local file itself).
        DeleteMatching(localFile + ".*", false);
        out.reset(::CreateFileA(partial.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out)
            return ReadFailure(name, ::GetLastError());
        SeekFile64(out.get(), 2, 0);
    }

    const ReadPlan plan = PlanReads(size);
    if (bar)
        bar->ReportProgress(1, static_cast<int>(plan.steps));
    TBytesRate rate(ShowsKilobytes(size), ShowsMegabytes(size));
    if (bar)
        bar->ReportMessage(name);

    std::string error;
    std::vector<char> buffer(plan.piece > kReadBuffer ? plan.piece : kReadBuffer);
    uint32_t piece = FirstPiece(plan);
    uint32_t done = 0;
    uint32_t stepped = 0;
    uint32_t steppedAt = 0; // done at the last step
    DWORD read = 0;
    bool cancelled = false;
    do {
        // Small files keep their short pause per read; large ones only service the
        // messages, so that the window stays alive without slowing the transfer.
        if (plan.small)
            SleepPumping(0, 2);
        else
            YieldX(0);
        const DWORD started = ::GetTickCount();
        const BOOL ok = inet::Read(request.get(), buffer.data(), piece, &read);
        const DWORD code = ok ? 0 : ::GetLastError();
        piece = NextPiece(plan, piece, ::GetTickCount() - started);
        if (ok) {
            if (out) {
                DWORD written = 0;
                if (read > 0 && (!::WriteFile(out.get(), buffer.data(), read, &written, nullptr) || written != read)) {
                    // A full disk must not look like a short transfer.
                    error = ReadFailure(name, SysResult::LastError().error);
                    read = 0;
                }
            } else if (data) {
                data->append(buffer.data(), read);
            }
            done += read;
        } else {
            error = ReadFailure(name, code);
            read = 0;
        }
        if (plan.small) {
            const std::string progress = rate.ProgressText(size, done, read, ::GetTickCount());
            if (ok && read > 0 && bar)
                bar->ReportText(progress);
        } else {
            for (const uint32_t due = StepsDone(plan, size, done); ok && stepped < due; ++stepped) {
                const std::string progress = rate.ProgressText(size, done, done - steppedAt, ::GetTickCount());
                steppedAt = done;
                if (bar)
                    bar->ReportText(progress);
            }
        }
        cancelled = bar && bar->Cancel;
    } while (read > 0 && !DownloadAbortRequested() && !cancelled);

    if (DownloadAbortRequested())
        error = "Download Aborted";
    if (out) {
        const int64_t arrived = FileSize64(out.get());
        out.reset();
        if (arrived == static_cast<int64_t>(size)) {
            ::DeleteFileA(localFile.c_str());
            if (!::MoveFileA(partial.c_str(), localFile.c_str()) && error.empty())
                error = ReadFailure(name, ::GetLastError());
        } else {
            // Nothing resumes a cut transfer (the next one starts afresh): what arrived,
            // up to a whole setup, would only fill the temp folder.
            ::DeleteFileA(partial.c_str());
        }
    }
    return error;
}

} // namespace

bool DownloadAbortRequested() { return g_abort; }
void RequestDownloadAbort() { g_abort = true; }
void ClearDownloadAbort() { g_abort = false; }

bool HTTP_IsConnected(std::string& message)
{
    message.clear();
    if (inet::GetConnectedState())
        return true;
    message = ErrorText(SysResult::LastError().error);
    return false;
}

int32_t HTTP_GetFileSize(const std::string& url)
{
    Probe(url);
    ScopedInternet internet(inet::Open("HTTP_Connect_2"));
    if (!internet)
        return -1;
    ScopedInternet request(inet::OpenUrl(internet.get(), url, kNoCache));
    if (!request)
        return -1;
    const int32_t size = static_cast<int32_t>(ContentLength(request.get()));
    TraceLine("HTTP_GetFileSize=", size, "  ", url);
    return size;
}

std::string HTTP_DownloadFile_Incremental(HWND window, const std::string& url, const std::string& localFile,
                                          std::string* data, TProgBar* bar)
{
    if (data)
        data->clear();
    const std::string name = DownloadDisplayName(url);
    Probe(url);
    const std::string error = Transfer(window, url, localFile, data, bar, name);
    if (!error.empty())
        TraceLine(ProcessIdText(), " HTTP_DownloadFile_Incremental: ", error);
    return error;
}

std::string HtmlPageStart(const std::string& file)
{
    const int64_t size = FindFileSize(file);
    return size > 0 ? ReadFileRange(file, size < 1000 ? size : 1000, 0) : std::string();
}

void HTTP_UnloadWinInet() { inet::Unload(); }
