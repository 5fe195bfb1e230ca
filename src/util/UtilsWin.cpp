#include "util/UtilsWin.h"

#include <windows.h>

#include <vector>

namespace {

// Reads a folder the system writes into a buffer of 261 characters; "" when it fails
// or does not fit, so that a failure never turns into "\".
template <typename Query> std::string SystemPath(Query query, bool add)
{
    char buf[261];
    const UINT n = query(buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return std::string();
    return WithBackslash(std::string(buf, n), add);
}

std::string LocaleText(LCTYPE what, const char* fallback)
{
    char buf[16];
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, what, buf, sizeof buf);
    if (n <= 1)
        return fallback;
    return std::string(buf, n - 1);
}

} // namespace

namespace {

// Wide text stays in plain buffers: a wide string type would bring its whole library
// instantiation into the launcher.
using WideText = std::vector<wchar_t>;

// The text in the ANSI code page; lossy when a letter had no place in it and the
// system's stand-in took its place.
std::string ToAnsi(const wchar_t* wide, size_t size, DWORD flags, bool* lossy)
{
    BOOL usedDefault = FALSE;
    BOOL* used = flags & WC_NO_BEST_FIT_CHARS ? &usedDefault : nullptr;
    const int n = WideCharToMultiByte(CP_ACP, flags, wide, static_cast<int>(size), nullptr, 0, nullptr, used);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, flags, wide, static_cast<int>(size), &text[0], n, nullptr, used);
    if (lossy)
        *lossy = usedDefault != FALSE;
    return text;
}

std::string Exact(const WideText& wide, bool* lossy)
{
    return ToAnsi(wide.data(), wide.size(), WC_NO_BEST_FIT_CHARS, lossy);
}

// The short or long form of an existing path (without its terminating zero); empty when
// the system has none.
WideText OtherForm(const WideText& path, bool longForm)
{
    WideText z(path);
    z.push_back(L'\0');
    WideText out(z.size() + MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n = longForm ? GetLongPathNameW(z.data(), out.data(), static_cast<DWORD>(out.size()))
                                 : GetShortPathNameW(z.data(), out.data(), static_cast<DWORD>(out.size()));
        if (n == 0)
            return {};
        if (n < out.size())
            return WideText(out.begin(), out.begin() + n);
        out.resize(n + 1);
    }
    return {};
}

// The running program's path as the system gives it (the form it was started by).
WideText ModulePath()
{
    // Grow the buffer until the path fits: it may be longer than MAX_PATH.
    WideText buf(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size())
            return WideText(buf.begin(), buf.begin() + n);
        if (buf.size() >= 32768)
            return {};
        buf.resize(buf.size() * 2);
    }
}

} // namespace

std::string AnsiPath(const wchar_t* path, size_t length)
{
    const WideText wide(path, path + length);
    bool lossy = false;
    const std::string direct = Exact(wide, &lossy);
    if (!lossy)
        return direct;
    // The short form of an existing path is made of letters every code page has. Only the
    // folder takes it where the file's own name can be spelt: a program knows itself and
    // its copies by their long names ("sample-agent.exe", not "SAMPLE~1.EXE").
    size_t slash = length;
    while (slash > 0 && path[slash - 1] != L'\\')
        --slash;
    if (slash > 0) {
        bool nameLossy = false, folderLossy = false;
        const std::string name = ToAnsi(path + slash, length - slash, WC_NO_BEST_FIT_CHARS, &nameLossy);
        const WideText folder = OtherForm(WideText(path, path + slash), false);
        const std::string shortFolder = Exact(folder, &folderLossy);
        if (!nameLossy && !folder.empty() && !folderLossy)
            return WithBackslash(shortFolder, true) + name;
    }
    const WideText shortPath = OtherForm(wide, false);
    const std::string viaShort = Exact(shortPath, &lossy);
    return shortPath.empty() || lossy ? direct : viaShort;
}

uint64_t FineClockTicks()
{
    LARGE_INTEGER now;
    return ::QueryPerformanceCounter(&now) ? static_cast<uint64_t>(now.QuadPart) : ::GetTickCount();
}

std::string ProgramPath(bool titleOnly)
{
    const WideText module = ModulePath();
    if (module.empty())
        return std::string();
    // Started by its short form, the program still goes by its long name.
    const WideText longForm = OtherForm(module, true);
    const WideText& path = longForm.empty() ? module : longForm;
    const std::string text = AnsiPath(path.data(), path.size());
    return titleOnly ? FileTitle(text, false) : text;
}

std::string CommandLineProgramPath()
{
    const WideText module = ModulePath();
    return ToAnsi(module.data(), module.size(), 0, nullptr);
}

std::string ProgramFolder(bool add)
{
    const std::string path = ProgramPath(false);
    const size_t slash = path.find_last_of("\\/:");
    if (slash == std::string::npos)
        return std::string();
    return WithBackslash(path.substr(0, slash + 1), add);
}

std::string WindowsFolder(bool add)
{
    return SystemPath([](char* b, UINT n) { return GetWindowsDirectoryA(b, n); }, add);
}

std::string SystemFolder(bool add)
{
    return SystemPath([](char* b, UINT n) { return GetSystemDirectoryA(b, n); }, add);
}

std::string TempFolder(bool add)
{
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH)
        return std::string();
    return WithBackslash(AnsiPath(buf, n), add);
}

std::string CurrentFolder()
{
    char folder[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string UserDateSeparator() { return LocaleText(LOCALE_SDATE, "/"); }
std::string UserTimeSeparator() { return LocaleText(LOCALE_STIME, ":"); }

std::int64_t UtcNowSeconds()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    // 100-ns steps since 1601; 11644473600 s lie between 1601 and 1970.
    return static_cast<std::int64_t>(ticks / 10000000) - 11644473600LL;
}

DateTime LocalNow()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    DateTime dt;
    dt.year = st.wYear;
    dt.month = st.wMonth;
    dt.day = st.wDay;
    dt.hour = st.wHour;
    dt.minute = st.wMinute;
    dt.second = st.wSecond;
    return dt;
}
