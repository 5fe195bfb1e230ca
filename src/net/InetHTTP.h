// The HTTP client: size query, download to a file or into memory with progress on a
// bar, the connection check, and the process-wide abort flag that the launcher window
// steers. Synchronous: a download runs on the calling thread and keeps the windows
// responsive by servicing the message queue between reads. Failures come back as text.
#pragma once

#include <windows.h>

#include <cstdint>
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

// The size the server announces for url (opened as given), -1 when it cannot be had.
int32_t HTTP_GetFileSize(const std::string& url);

// Downloads url into localFile or, when localFile is empty, into *data. window (none: 0)
// is shown once the transfer starts; bar (optional) shows the progress and can cancel.
// Returns the failure text, empty otherwise. The bytes arrive in a partial file beside
// localFile, which becomes localFile only when the announced size arrived whole: a
// caller also checks that localFile exists.
std::string HTTP_DownloadFile_Incremental(HWND window, const std::string& url, const std::string& localFile,
                                          std::string* data, TProgBar* bar);

// The first 1000 bytes of file (fewer when it is shorter): what IsHtmlErrorPage judges.
std::string HtmlPageStart(const std::string& file);

// Frees WinINet once the message loop has ended; no client call may follow.
void HTTP_UnloadWinInet();
