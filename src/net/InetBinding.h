// WinINet bound at run time. The launcher must start on systems without it, so it is
// never imported: the library is loaded from the system folder on first use and each
// function is looked up once. A missing library or function makes its call fail like
// any other failure (null / FALSE), with ERROR_PROC_NOT_FOUND as the last error.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "util/ScopedWin.h"

namespace inet {

BOOL GetConnectedState();
HINTERNET Open(const char* agent);
// The parts of url; the components' pointers point into url.
BOOL CrackUrl(const std::string& url, URL_COMPONENTSA& parts);
HINTERNET Connect(HINTERNET internet, const std::string& host, INTERNET_PORT port, const std::string& user,
                  const std::string& password);
// A GET request of path on the connection; sent by SendRequest with the extra headers.
HINTERNET OpenRequest(HINTERNET connection, const std::string& path, DWORD flags);
// headers: extra request headers, each ending in CR LF (empty: none).
BOOL SendRequest(HINTERNET request, const std::string& headers);
BOOL QueryInfo(HINTERNET request, DWORD level, void* buffer, DWORD* length);
BOOL Read(HINTERNET request, void* buffer, DWORD size, DWORD* read);
BOOL SetOption(HINTERNET internet, DWORD option, DWORD value);
BOOL Close(HINTERNET handle);
// The server's last response text; empty when there is none.
std::string LastResponseInfo();

// Frees the library; the next call loads it again. Called once the message loop has ended.
void Unload();

} // namespace inet

// An Internet handle, closed through the binding.
struct InternetTraits {
    static HINTERNET none() { return nullptr; }
    static void close(HINTERNET h) { inet::Close(h); }
};
using ScopedInternet = ScopedWin<HINTERNET, InternetTraits>;
