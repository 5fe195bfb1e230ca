#include "util/UtilsWin.h"

#include <windows.h>

#include <vector>

namespace {

// Reads a folder the system writes into a buffer of 261 characters; "" when it fails
// or does not fit, so that a failure never turns into "\".
template <typename Query>
std::string SystemPath(Query query, bool add) {
    char buf[261];
    const UINT n = query(buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return std::string();
    return WithBackslash(std::string(buf, n), add);
}

std::string LocaleText(LCTYPE what, const char* fallback) {
    char buf[16];
    const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, what, buf, sizeof buf);
    if (n <= 1) return fallback;
    return std::string(buf, n - 1);
}

}  // namespace

std::string RawCommandLine() {
    const char* line = GetCommandLineA();
    return line ? line : "";
}

std::string ProgramPath(bool titleOnly) {
    // Grow the buffer until the path fits: it may be longer than MAX_PATH.
    std::vector<char> buf(MAX_PATH + 1);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) {
            const std::string path(buf.data(), n);
            return titleOnly ? FileTitle(path, false) : path;
        }
        if (buf.size() >= 32768) return std::string();
        buf.resize(buf.size() * 2);
    }
}

std::string ProgramFolder(bool add) {
    const std::string path = ProgramPath(false);
    const size_t slash = path.find_last_of("\\/:");
    if (slash == std::string::npos) return std::string();
    return WithBackslash(path.substr(0, slash + 1), add);
}

std::string WindowsFolder(bool add) {
    return SystemPath([](char* b, UINT n) { return GetWindowsDirectoryA(b, n); }, add);
}

std::string SystemFolder(bool add) {
    return SystemPath([](char* b, UINT n) { return GetSystemDirectoryA(b, n); }, add);
}

std::string TempFolder(bool add) {
    return SystemPath([](char* b, UINT n) { return static_cast<UINT>(GetTempPathA(n, b)); },
                      add);
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CommandArgs() { return CommandArgsOf(RawCommandLine(), ProgramPath(false)); }

bool HasSwitch(const std::string& sw) { return HasSwitchIn(CommandArgs(), sw); }

std::string SwitchValue(const std::string& sw, const std::string& def) {
    return SwitchValueIn(CommandArgs(), sw, def);
}

int64_t SwitchInt(const std::string& sw, int64_t def) {
    return SwitchIntIn(CommandArgs(), sw, def);
}

std::string UserDateSeparator() { return LocaleText(LOCALE_SDATE, "/"); }
std::string UserTimeSeparator() { return LocaleText(LOCALE_STIME, ":"); }
std::string UserDecimalSeparator() { return LocaleText(LOCALE_SDECIMAL, "."); }

DateTime LocalNow() {
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
