#include "net/InetHTTP.h"

#include <optional>
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

// A read that brings nothing for a minute ends the transfer; connecting and sending get
// the same limit, so that no call of the client waits without end.
constexpr DWORD kNoProgressMs = 60000;
// Connect, receive, send, control receive, control send, data receive, data send.
constexpr DWORD kTimeoutOptions[] = {2, 6, 5, 6, 5, 8, 7};
constexpr DWORD kQueryStatus = HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER;
constexpr std::size_t kReadBuffer = 8192;
// What of an error answer's body is read: enough to tell an error page.
constexpr std::size_t kPageStart = 1000;
// Nothing the client fetches goes into the system's URL cache: a setup would stay there
// as a second copy, written to disk at the cost of the transfer's speed.
constexpr DWORD kNoCache = INTERNET_FLAG_NO_CACHE_WRITE;
constexpr const char* kFirstByte = "Range: bytes=0-0\r\n";
// Every request is the only one on its connection: a connection kept for a next request
// that comes a day later holds a socket for nothing, and Wine's client keeps a thread
// (with its stack in memory) for as long as it keeps one.
constexpr const char* kOneRequest = "Connection: close\r\n";

// Every time limit on the handle.
void Limit(HINTERNET handle)
{
    for (const DWORD option : kTimeoutOptions)
        inet::SetOption(handle, option, kNoProgressMs);
}

// An open request with its connection and Internet handle, closed in that order.
struct OpenedUrl {
    ScopedInternet internet;
    ScopedInternet connection;
    ScopedInternet request;
};

// Opens url (http:// or https://) for a GET, as InternetOpenUrl would, through a
// connection whose time limits are set before it is made: some implementations (Wine's)
// give a request none of the limits set on its Internet handle, only its connection's,
// and a read that waits on a silent server would otherwise never end. Without an
// Internet handle (no WinINet) internet stays empty; request is empty whenever the URL
// could not be opened.
OpenedUrl OpenUrl(const char* agent, const std::string& url, DWORD flags, const std::string& headers)
{
    OpenedUrl opened;
    opened.internet.reset(inet::Open(agent));
    if (!opened.internet)
        return opened;
    Limit(opened.internet.get());
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    // Lengths without buffers: the parts are pointed out within url.
    parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!inet::CrackUrl(url, parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return opened;
    const auto part = [](const char* text, DWORD length) { return text ? std::string(text, length) : std::string(); };
    opened.connection.reset(inet::Connect(opened.internet.get(), part(parts.lpszHostName, parts.dwHostNameLength),
                                          parts.nPort, part(parts.lpszUserName, parts.dwUserNameLength),
                                          part(parts.lpszPassword, parts.dwPasswordLength)));
    if (!opened.connection)
        return opened;
    Limit(opened.connection.get());
    std::string path =
        part(parts.lpszUrlPath, parts.dwUrlPathLength) + part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty())
        path = "/";
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    ScopedInternet request(inet::OpenRequest(opened.connection.get(), path, flags));
    if (!request)
        return opened;
    Limit(request.get());
    if (inet::SendRequest(request.get(), kOneRequest + headers))
        opened.request = std::move(request);
    return opened;
}

// Asks for the URL once and drops the answer; servers that count requests see the same
// sequence as from every earlier release of the launcher. Only the first byte is asked
// for: a handle closed with the body unread has the whole body drained first (under Wine
// a 200 MiB setup took 20 s that way), and a server that ignores the range costs no more.
void Probe(const std::string& url) { static_cast<void>(OpenUrl("HTTP_Connect_2", url, kNoCache, kFirstByte)); }

// The status of the answer; 0 when there is none (a protocol without one).
int StatusOf(HINTERNET request)
{
    DWORD status = 0;
    DWORD length = sizeof status;
    return inet::QueryInfo(request, kQueryStatus, &status, &length) ? static_cast<int>(status) : 0;
}

// A header as text; none when it is missing.
std::optional<std::string> Header(HINTERNET request, DWORD query)
{
    char text[256] = {};
    DWORD length = sizeof text - 1;
    if (!inet::QueryInfo(request, query, text, &length))
        return std::nullopt;
    return std::string(text, length < sizeof text ? length : sizeof text - 1);
}

// The Content-Length header as a 64-bit number; -1 when none came (or it is no number).
std::int64_t ContentLength(HINTERNET request)
{
    const std::optional<std::string> text = Header(request, HTTP_QUERY_CONTENT_LENGTH);
    const std::optional<std::int64_t> length = text ? ParseContentLength(*text) : std::nullopt;
    return length ? *length : -1;
}

std::string DownloadFailure(const std::string& name, const std::string& reason)
{
    const std::string error = name + " --- Error downloading file";
    return reason.empty() ? error : error + " (" + reason + ")";
}

std::string ReadFailure(const std::string& name, DWORD code)
{
    // WSAETIMEDOUT, ERROR_INTERNET_TIMEOUT: the time limit of a read.
    if (code == 10060 || code == 12002)
        return DownloadFailure(name, "nothing arrived for " + std::to_string(kNoProgressMs / 1000) + " seconds");
    std::string reason = ErrorText(code);
    if (reason.empty())
        reason = inet::LastResponseInfo();
    return DownloadFailure(name, reason);
}

// The first bytes of an error answer's body, for the error page test.
std::string PageStart(HINTERNET request)
{
    std::string page(kPageStart, '\0');
    DWORD got = 0, read = 0;
    while (got < kPageStart && inet::Read(request, &page[got], static_cast<DWORD>(kPageStart - got), &read) && read > 0)
        got += read;
    page.resize(got);
    return page;
}

// Everything after the probe.
std::string Transfer(const std::string& url, const DownloadOptions& options, const BodySink& sink,
                     const std::string& name)
{
    // Always from the server, never from the cache.
    const OpenedUrl opened = OpenUrl("HTTP_Connect_3", DownloadUrlFor(url), INTERNET_FLAG_RELOAD | kNoCache, "");
    if (!opened.internet)
        return "Unable to initialize \"WinINet.dll\"";
    const ScopedInternet& request = opened.request;
    if (!request)
        return "Unable to open Internet Connection: " + url;
    const int status = StatusOf(request.get());
    if (status != kStatusOk)
        return StatusFailureText(status, url, status == 404 ? PageStart(request.get()) : std::string());
    const std::int64_t length = ContentLength(request.get());
    if (length == 0)
        return url + " --- File Not Found !";
    const BodyLimits limits = BodyLimitsFor(name, length, options.knownSize, options.largest);
    if (!limits.refusal.empty())
        return limits.refusal;
    if (reinterpret_cast<std::uintptr_t>(options.window) > 10)
        ::ShowWindow(options.window, SW_SHOW);

    const std::uint64_t size = limits.shown >= 0 ? static_cast<std::uint64_t>(limits.shown) : kUnknownSize;
    const ReadPlan plan = PlanReadsFor(limits);
    TProgBar* bar = options.bar;
    if (bar)
        bar->ReportProgress(1, static_cast<int>(plan.steps));
    TBytesRate rate(ShowsKilobytes(size), ShowsMegabytes(size));
    if (bar)
        bar->ReportMessage(name);

    std::string error;
    std::vector<char> buffer(plan.piece > kReadBuffer ? plan.piece : kReadBuffer);
    std::uint32_t piece = FirstPiece(plan);
    std::uint64_t done = 0;
    std::uint32_t stepped = 0;
    std::uint64_t steppedAt = 0; // done at the last step
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
        if (!ok) {
            error = ReadFailure(name, code);
            read = 0;
        } else {
            done += read;
            error = BodyFailure(name, limits, static_cast<std::int64_t>(done), read == 0);
            std::string reason;
            if (error.empty() && read > 0 && !sink(buffer.data(), read, reason))
                error = DownloadFailure(name, reason);
            if (!error.empty())
                read = 0;
        }
        if (plan.small) {
            const std::string progress = rate.ProgressText(size, done, read, ::GetTickCount());
            if (ok && read > 0 && bar)
                bar->ReportText(progress);
        } else {
            for (const std::uint32_t due = StepsDone(plan, size, done); ok && read > 0 && stepped < due; ++stepped) {
                const std::string progress =
                    rate.ProgressText(size, done, static_cast<std::uint32_t>(done - steppedAt), ::GetTickCount());
                steppedAt = done;
                if (bar)
                    bar->ReportText(progress);
            }
        }
        cancelled = bar && bar->Cancel;
    } while (read > 0 && !DownloadAbortRequested() && !cancelled);

    if (DownloadAbortRequested())
        return "Download Aborted";
    // A cancel through the bar is the user's, not a failure to tell.
    if (cancelled && error.empty())
        return std::string();
    return error;
}

std::string Download(const std::string& url, const DownloadOptions& options, const BodySink& sink)
{
    const std::string name = DownloadDisplayName(url);
    Probe(url);
    const std::string error = Transfer(url, options, sink, name);
    if (!error.empty())
        TraceLine(ProcessIdText(), " HTTP_DownloadFile_Incremental: ", error);
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

std::int64_t HTTP_GetFileSize(const std::string& url)
{
    const OpenedUrl opened = OpenUrl("HTTP_Connect_2", url, kNoCache, kFirstByte);
    const ScopedInternet& request = opened.request;
    if (!request)
        return -1;
    std::int64_t size = -1;
    switch (StatusOf(request.get())) {
    case kStatusPart:
        if (const std::optional<std::string> range = Header(request.get(), HTTP_QUERY_CONTENT_RANGE))
            size = ParseContentRangeTotal(*range).value_or(-1);
        break;
    case kStatusOk: size = ContentLength(request.get()); break; // a server that ignores ranges
    default: break;
    }
    TraceLine("HTTP_GetFileSize=", size, "  ", url);
    return size;
}

std::string HTTP_DownloadTo(const std::string& url, const DownloadOptions& options, const BodySink& sink)
{
    return Download(url, options, sink);
}

std::string HTTP_DownloadToMemory(const std::string& url, const DownloadOptions& options, std::string& data)
{
    data.clear();
    const std::string error = Download(url, options, [&data](const char* bytes, std::size_t size, std::string&) {
        data.append(bytes, size);
        return true;
    });
    if (!error.empty() || (options.bar && options.bar->Cancel))
        data.clear();
    return error;
}

std::string HTTP_DownloadFile_Incremental(const std::string& url, const DownloadOptions& options,
                                          const std::string& localFile)
{
    const std::string name = DownloadDisplayName(url);
    // Nobody writes, renames or deletes it while it arrives.
    NewFile part = CreateUniqueFile(localFile, ".part", FILE_SHARE_READ);
    if (!part.made)
        return ReadFailure(name, part.made.error);
    std::string error = Download(url, options, [&part](const char* bytes, std::size_t size, std::string& failure) {
        const SysResult written = WriteFileBytes(part.file.get(), bytes, size);
        // A full disk must not look like a short transfer.
        if (!written)
            failure = ErrorText(written.error);
        return static_cast<bool>(written);
    });
    const bool whole = error.empty() && !(options.bar && options.bar->Cancel);
    part.file.reset();
    if (whole && !::MoveFileExA(part.path.c_str(), localFile.c_str(), MOVEFILE_REPLACE_EXISTING))
        error = ReadFailure(name, SysResult::LastError().error);
    if (!whole || !error.empty())
        ::DeleteFileA(part.path.c_str());
    return error;
}

std::string HtmlPageStart(const std::string& file)
{
    const int64_t size = FindFileSize(file);
    return size > 0 ? ReadFileRange(file, size < 1000 ? size : 1000, 0) : std::string();
}

void HTTP_UnloadWinInet() { inet::Unload(); }
