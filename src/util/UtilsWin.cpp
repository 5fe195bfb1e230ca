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

std::string AnsiPath(const wchar_t* path, size_t length)
{
    // Wide text stays in plain buffers: a wide string type would bring its whole library
    // instantiation into the launcher.
    const auto convert = [](const wchar_t* wide, size_t size, bool* lossy) {
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(size), nullptr, 0,
                                          nullptr, &usedDefault);
        std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
        if (n > 0)
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(size), &text[0], n, nullptr,
                                &usedDefault);
        *lossy = usedDefault != FALSE;
        return text;
    };
    bool lossy = false;
    const std::string direct = convert(path, length, &lossy);
    if (!lossy)
        return direct;
    // The short form of an existing path is made of letters every code page has.
    std::vector<wchar_t> wide(path, path + length);
    wide.push_back(L'\0');
    std::vector<wchar_t> shortPath(length + 1);
    const DWORD n = GetShortPathNameW(wide.data(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (n == 0 || n >= shortPath.size())
        return direct;
    const std::string viaShort = convert(shortPath.data(), n, &lossy);
    return lossy ? direct : viaShort;
}

std::string ProgramPath(bool titleOnly)
{
    // Grow the buffer until the path fits: it may be longer than MAX_PATH.
    std::vector<wchar_t> buf(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return std::string();
        if (n < buf.size()) {
            const std::string path = AnsiPath(buf.data(), n);
            return titleOnly ? FileTitle(path, false) : path;
        }
        if (buf.size() >= 32768)
            return std::string();
        buf.resize(buf.size() * 2);
    }
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
