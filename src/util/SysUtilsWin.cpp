// Settings, registry and system helpers on Windows.
#include "util/SysUtilsWin.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cmath>
#include <vector>

#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

constexpr DWORD kIniBuffer = 10241;
constexpr DWORD kRegistryBuffer = 10241;
// Keys are read in the 64-bit view only when this is on; the launcher never turns it on.
constexpr bool kRegistry64View = false;

UINT g_autoPlayMessage = 0;

} // namespace

std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& def)
{
    if (section.empty())
        return def;
    std::vector<char> buffer(kIniBuffer);
    DWORD n =
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(), kIniBuffer, file.c_str());
    return n > 0 ? std::string(buffer.data(), n) : def;
}

int64_t ReadIniInt(const std::string& file, const std::string& section, const std::string& key, int64_t def)
{
    return ParseInt64(ReadIniString(file, section, key, std::to_string(def)), def);
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value)
{
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key, int64_t value)
{
    return WriteIniString(file, section, key, std::to_string(value));
}

HKEY RegistryRootHandle(RegistryRootKey root)
{
    switch (root) {
    case RegistryRootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRootKey::Users: return HKEY_USERS;
    case RegistryRootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegistryRootKey::DynData: return HKEY_DYN_DATA;
    case RegistryRootKey::CurrentUser: break;
    }
    return HKEY_CURRENT_USER;
}

std::string ReadRegistryValue(const std::string& path, const std::string& valueName, const std::string& def)
{
    RegistryPath where = SplitRegistryPath(path);
    HKEY raw = nullptr;
    REGSAM access = KEY_READ | (kRegistry64View ? KEY_WOW64_64KEY : 0);
    if (::RegOpenKeyExA(RegistryRootHandle(where.root), where.subKey.c_str(), 0, access, &raw) != ERROR_SUCCESS)
        return def;
    ScopedRegKey key(raw);
    std::string data(kRegistryBuffer, '\0');
    DWORD type = 0, size = kRegistryBuffer;
    if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) !=
        ERROR_SUCCESS)
        return def;
    data.resize(size);
    return RegistryValueText(type, data);
}

bool IsWindowsNT()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return ::GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string WindowsVersionKey() { return WindowsVersionKeyFor(IsWindowsNT()); }

std::string RegisteredOwnerName()
{
    return TrimText(ReadRegistryValue(WindowsVersionKey(), "RegisteredOwner", UserName()));
}

std::string RegisteredOrganizationName()
{
    return TrimText(ReadRegistryValue(WindowsVersionKey(), "RegisteredOrganization", ""));
}

std::string UserName()
{
    char name[256];
    DWORD size = sizeof name;
    return ::GetUserNameA(name, &size) ? TrimText(name) : std::string();
}

std::string ComputerName()
{
    char name[256];
    DWORD size = sizeof name;
    return ::GetComputerNameA(name, &size) ? TrimText(name) : std::string();
}

std::string AccountDomain(const std::string& accountName)
{
    BYTE sid[256];
    DWORD sidSize = sizeof sid;
    char domain[256];
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    if (!::LookupAccountNameA(nullptr, accountName.c_str(), sid, &sidSize, domain, &domainSize, &use))
        return {};
    return domain;
}

std::string UserDomain() { return AccountDomain(UserName()); }

std::string FileVersionText(const std::string& file, int width, int parts)
{
    // Looked up at run time from the system folder: see InitSystemCommonControls.
    using InfoSizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    static const HMODULE library = LoadSystemLibrary("version.dll").release();
    static const auto infoSize = ProcFrom<InfoSizeFn>(library, "GetFileVersionInfoSizeA");
    static const auto infoOf = ProcFrom<InfoFn>(library, "GetFileVersionInfoA");
    static const auto query = ProcFrom<QueryFn>(library, "VerQueryValueA");
    if (!infoSize || !infoOf || !query)
        return {};
    std::string path = file.empty() ? ProgramPath(false) : file;
    DWORD ignored = 0;
    DWORD size = infoSize(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<char> info(size);
    if (!infoOf(path.c_str(), 0, size, info.data()))
        return {};
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!query(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return {};
    const std::string text =
        std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
        std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
    if (width > 1 || parts < 4)
        return NormalizeVersion(text, width, parts);
    return text;
}

std::string ErrorText(DWORD code)
{
    char* message = nullptr;
    DWORD n =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
    if (n == 0 || !message)
        return "Error Reading \"SysUtils.SysErrorMessage(GetLastError)\"";
    std::string text(message, n);
    ::LocalFree(message);
    return TrimText(text);
}

std::string LastErrorText() { return ErrorText(::GetLastError()); }

bool IsDeveloperMode()
{
    static const bool developer = [] {
        char value[8];
        DWORD n = ::GetEnvironmentVariableA("DVX", value, sizeof value);
        return n == 3 && std::string(value, n) == "543";
    }();
    return developer;
}

int ScaleByDpi(int points)
{
    static const int dpi = [] {
        ScopedGetDC screen(nullptr);
        return screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    }();
    return ::MulDiv(points, dpi, 72);
}

POINT CenterInWorkArea(int width, int height)
{
    RECT area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    POINT p;
    p.x = area.left + (area.right - area.left - width) / 2;
    p.y = area.top + (area.bottom - area.top - height) / 2;
    return p;
}

std::string WindowText(HWND window)
{
    if (!window)
        return {};
    char text[1024];
    int n = ::GetWindowTextA(window, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

bool ShellOpen(const std::string& file, const std::string& parameters, int showMode)
{
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    // Loaded on first use: an agent that stays hidden all day never maps the shell.
    static const auto execute = ProcFrom<ShellExecuteFn>(LoadSystemLibrary("shell32.dll").release(), "ShellExecuteA");
    if (!execute)
        return false;
    HINSTANCE result = execute(::GetDesktopWindow(), nullptr, file.c_str(),
                               parameters.empty() ? nullptr : parameters.c_str(), nullptr, showMode);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string ProcessIdText() { return std::to_string(::GetCurrentProcessId()); }

void HardenDllSearch()
{
    // Both functions are younger than some systems the launcher runs on: looked up.
    constexpr DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    using SetDefaultDirs = BOOL(WINAPI*)(DWORD);
    const auto setDefault =
        reinterpret_cast<SetDefaultDirs>(reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(kSearchSystem32))
        return;
    using SetDllDir = BOOL(WINAPI*)(LPCSTR);
    const auto setDllDirectory =
        reinterpret_cast<SetDllDir>(reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDllDirectory)
        setDllDirectory(""); // takes the current folder out of the search
}

ScopedLibrary LoadSystemLibrary(const std::string& name)
{
    const std::string folder = SystemFolder(true);
    if (folder.empty())
        return ScopedLibrary();
    return ScopedLibrary(::LoadLibraryExA((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

bool InitSystemCommonControls(DWORD classes)
{
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static const HMODULE library = LoadSystemLibrary("comctl32.dll").release();
    static const auto init = ProcFrom<InitFn>(library, "InitCommonControlsEx");
    const INITCOMMONCONTROLSEX icc = {sizeof icc, classes};
    return init && init(&icc);
}

void YieldX(DWORD milliseconds)
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Taken here, the quit request would never reach the message loop that
            // waits for it: put it back and let the caller's loop end.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    ::Sleep(milliseconds);
}

void SleepPumping(int64_t step, int64_t duration)
{
    DWORD pause = static_cast<DWORD>(SleepStep(step, duration));
    int64_t end = MillisecondClock() + duration;
    do {
        YieldX(pause);
    } while (MillisecondClock() < end);
}

bool WaitWhileWindowExists(const std::string& className, const std::string& title, int64_t limit)
{
    if (className.empty() && title.empty())
        return true;
    const int64_t end = MillisecondClock() + limit;
    while (::FindWindowA(className.empty() ? nullptr : className.c_str(), title.empty() ? nullptr : title.c_str())) {
        if (MillisecondClock() >= end)
            return false;
        YieldX(100);
    }
    return true;
}

int64_t MillisecondClock()
{
    static const long double factor = [] {
        LARGE_INTEGER frequency;
        return ::QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0
                   ? 1000.0L / static_cast<long double>(frequency.QuadPart)
                   : 0.0L;
    }();
    if (factor == 0.0L)
        return static_cast<int64_t>(::GetTickCount());
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<int64_t>(std::llround(static_cast<long double>(counter.QuadPart) * factor));
}

void SetAutoPlaySuppression(bool on) { g_autoPlayMessage = on ? ::RegisterWindowMessageA("QueryCancelAutoPlay") : 0; }

UINT AutoPlayMessage() { return g_autoPlayMessage; }
