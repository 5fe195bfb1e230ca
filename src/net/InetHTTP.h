// The HTTP client: size query, download into memory, to a file or to a caller's sink
// with progress on a bar, the connection check, and the process-wide abort flag that the
// launcher window steers. Synchronous: a download runs on the calling thread and keeps
// the windows responsive by servicing the message queue between reads. Failures come
// back as text.
//
// Strict about what it takes (net/DownloadRules.h): an answer other than 200 is no file;
// a body must have the length it announced, a body without one a bound the caller gives;
// a transfer that makes no progress for a minute ends; sizes are 64-bit.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class TProgBar;

// Set by a close request or the end of the launcher window; a running download stops
// after its current chunk.
bool DownloadAbortRequested();
void RequestDownloadAbort();
// Cleared by whoever starts a download, and by a new launcher window.
void ClearDownloadAbort();

// Whether the system reports an Internet connection; when not, message receives the
// system's reason.
bool HTTP_IsConnected(std::string& message);

// The size the server announces for url (opened as given), -1 when it cannot be had. It
// asks for one byte, so that the body is not transferred.
std::int64_t HTTP_GetFileSize(const std::string& url);

// How a download runs and what it takes.
struct DownloadOptions {
    HWND window = nullptr;       // shown once the transfer starts (none: nullptr)
    TProgBar* bar = nullptr;     // shows the progress and can cancel (optional)
    std::int64_t knownSize = -1; // the size the body has (a signed release's): none longer is
                                 // taken, and a body without length ends there; -1: none
    std::int64_t largest = -1;   // the most the caller takes (a body held in memory), -1: no cap
};

// Takes the body piece by piece, in order; false ends the transfer with error set.
using BodySink = std::function<bool(const char* data, std::size_t size, std::string& error)>;

// Downloads url into sink; the failure text, empty when the whole body arrived. A
// cancel through the bar ends it without a text: the caller sees the bar's flag.
std::string HTTP_DownloadTo(const std::string& url, const DownloadOptions& options, const BodySink& sink);
// The same into data.
std::string HTTP_DownloadToMemory(const std::string& url, const DownloadOptions& options, std::string& data);
// The same into localFile: the bytes go into a new file of a name of its own beside it,
// which replaces localFile once the whole body has arrived and is removed otherwise.
std::string HTTP_DownloadFile_Incremental(const std::string& url, const DownloadOptions& options,
                                          const std::string& localFile);

// The first 1000 bytes of file (fewer when it is shorter): what IsHtmlErrorPage judges.
std::string HtmlPageStart(const std::string& file);

// Frees WinINet once the message loop has ended; no client call may follow.
void HTTP_UnloadWinInet();
