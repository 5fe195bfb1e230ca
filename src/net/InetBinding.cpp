#include "net/InetBinding.h"

#include "util/SysUtilsWin.h"

namespace {

ScopedLibrary g_library;
bool g_tried = false;

HMODULE Library()
{
    if (!g_tried) {
        g_tried = true;
        g_library = LoadSystemLibrary("wininet.dll");
    }
    return g_library.get();
}

// Each function's slot, filled on its first use while the library is loaded.
template <class Fn> struct Slot {
    const char* name;
    Fn fn = nullptr;
    int generation = -1;
};
int g_generation = 0;

template <class Fn> Fn Bound(Slot<Fn>& slot)
{
    if (slot.generation != g_generation) {
        slot.fn = ProcFrom<Fn>(Library(), slot.name);
        slot.generation = g_generation;
    }
    if (!slot.fn)
        ::SetLastError(ERROR_PROC_NOT_FOUND);
    return slot.fn;
}

using GetConnectedStateFn = BOOL(WINAPI*)(LPDWORD, DWORD);
using OpenFn = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using CrackUrlFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPURL_COMPONENTSA);
using ConnectFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using OpenRequestFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR*, DWORD, DWORD_PTR);
using SendRequestFn = BOOL(WINAPI*)(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD);
using QueryInfoFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
using ReadFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using SetOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using CloseFn = BOOL(WINAPI*)(HINTERNET);
using ResponseInfoFn = BOOL(WINAPI*)(LPDWORD, LPSTR, LPDWORD);

Slot<GetConnectedStateFn> g_connected{"InternetGetConnectedState"};
Slot<OpenFn> g_open{"InternetOpenA"};
Slot<CrackUrlFn> g_crackUrl{"InternetCrackUrlA"};
Slot<ConnectFn> g_connect{"InternetConnectA"};
Slot<OpenRequestFn> g_openRequest{"HttpOpenRequestA"};
Slot<SendRequestFn> g_sendRequest{"HttpSendRequestA"};
Slot<QueryInfoFn> g_queryInfo{"HttpQueryInfoA"};
Slot<ReadFn> g_read{"InternetReadFile"};
Slot<SetOptionFn> g_setOption{"InternetSetOptionA"};
Slot<CloseFn> g_close{"InternetCloseHandle"};
Slot<ResponseInfoFn> g_responseInfo{"InternetGetLastResponseInfoA"};

} // namespace

namespace inet {

BOOL GetConnectedState()
{
    DWORD flags = 0;
    const auto fn = Bound(g_connected);
    return fn ? fn(&flags, 0) : FALSE;
}

HINTERNET Open(const char* agent)
{
    const auto fn = Bound(g_open);
    return fn ? fn(agent, INTERNET_OPEN_TYPE_PRECONFIG, "", nullptr, 0) : nullptr;
}

BOOL CrackUrl(const std::string& url, URL_COMPONENTSA& parts)
{
    const auto fn = Bound(g_crackUrl);
    return fn ? fn(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) : FALSE;
}

HINTERNET Connect(HINTERNET internet, const std::string& host, INTERNET_PORT port, const std::string& user,
                  const std::string& password)
{
    const auto fn = Bound(g_connect);
    return fn ? fn(internet, host.c_str(), port, user.empty() ? nullptr : user.c_str(),
                   password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0)
              : nullptr;
}

HINTERNET OpenRequest(HINTERNET connection, const std::string& path, DWORD flags)
{
    const auto fn = Bound(g_openRequest);
    return fn ? fn(connection, "GET", path.c_str(), nullptr, nullptr, nullptr, flags, 0) : nullptr;
}

BOOL SendRequest(HINTERNET request, const std::string& headers)
{
    const auto fn = Bound(g_sendRequest);
    return fn ? fn(request, headers.empty() ? nullptr : headers.c_str(), static_cast<DWORD>(headers.size()), nullptr, 0)
              : FALSE;
}

BOOL QueryInfo(HINTERNET request, DWORD level, void* buffer, DWORD* length)
{
    const auto fn = Bound(g_queryInfo);
    DWORD index = 0;
    return fn ? fn(request, level, buffer, length, &index) : FALSE;
}

BOOL Read(HINTERNET request, void* buffer, DWORD size, DWORD* read)
{
    *read = 0;
    const auto fn = Bound(g_read);
    return fn ? fn(request, buffer, size, read) : FALSE;
}

BOOL SetOption(HINTERNET internet, DWORD option, DWORD value)
{
    const auto fn = Bound(g_setOption);
    return fn ? fn(internet, option, &value, sizeof value) : FALSE;
}

BOOL Close(HINTERNET handle)
{
    const auto fn = Bound(g_close);
    return fn ? fn(handle) : FALSE;
}

std::string LastResponseInfo()
{
    const auto fn = Bound(g_responseInfo);
    if (!fn)
        return std::string();
    char text[1024] = {};
    DWORD error = 0;
    DWORD length = sizeof text;
    if (!fn(&error, text, &length))
        return std::string();
    return std::string(text, length < sizeof text ? length : sizeof text - 1).c_str();
}

void Unload()
{
    g_library.reset();
    g_tried = false;
    ++g_generation;
}

} // namespace inet
