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
using OpenUrlFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using QueryInfoFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
using ReadFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using SetOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using CloseFn = BOOL(WINAPI*)(HINTERNET);
using ResponseInfoFn = BOOL(WINAPI*)(LPDWORD, LPSTR, LPDWORD);

Slot<GetConnectedStateFn> g_connected{"InternetGetConnectedState"};
Slot<OpenFn> g_open{"InternetOpenA"};
Slot<OpenUrlFn> g_openUrl{"InternetOpenUrlA"};
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

HINTERNET OpenUrl(HINTERNET internet, const std::string& url, DWORD flags, const std::string& headers)
{
    const auto fn = Bound(g_openUrl);
    if (!fn)
        return nullptr;
    return fn(internet, url.c_str(), headers.empty() ? nullptr : headers.c_str(), static_cast<DWORD>(headers.size()),
              flags, 0);
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
