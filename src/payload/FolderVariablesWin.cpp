#include "payload/FolderVariablesWin.h"

#include <windows.h>

#include <vector>

#include "util/CommandLineWin.h"
#include "util/ShellDirWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

const char kShellFoldersKey[] =
    "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kCurrentVersionKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// The folder of path with no trailing separator ("" when path has none).
std::string FolderOf(const std::string& path)
{
    const std::string name = FileNamePart(path);
    return name.size() == path.size() ? std::string() : WithBackslash(path.substr(0, path.size() - name.size()), false);
}

const std::string& OriginFolder()
{
    static const std::string folder = [] {
        std::string origin = SwitchValue("/OriginExe=", "");
        if (origin.empty())
            origin = ProgramPath(false);
        const std::string of = FolderOf(origin);
        return of.empty() ? ProgramFolder(false) : of;
    }();
    return folder;
}

// The system folder without its last "32" where that exists, else Windows\System where
// that exists, else the system folder.
std::string System16Folder()
{
    const std::string system = SystemFolder(false);
    if (const int at = LastPos("32", system)) {
        const std::string without =
            system.substr(0, static_cast<size_t>(at) - 1) + system.substr(static_cast<size_t>(at) + 1);
        if (FolderExists(without))
            return without;
    }
    const std::string classic = WindowsFolder(false) + "\\System";
    return FolderExists(classic) ? classic : system;
}

std::string FontFolder()
{
    const std::string fonts = ReadRegistryValue(kShellFoldersKey, "Fonts", "");
    return !fonts.empty() && FolderExists(fonts) ? fonts : WindowsFolder(false) + "\\Fonts";
}

// 64-bit Windows names its own folders in both registry views under the first name; a
// 32-bit system has only the one folder, under the second.
std::string NativeFolder(const char* name64, const char* name)
{
    const std::string native = ReadRegistryValue(kCurrentVersionKey, name64, "");
    return native.empty() ? ReadRegistryValue(kCurrentVersionKey, name, "") : native;
}

std::string Value(SystemValue which)
{
    switch (which) {
    case SystemValue::LoggedUserName: return UserName();
    case SystemValue::UserName: return RegisteredOwnerName();
    case SystemValue::CompanyName: return RegisteredOrganizationName();
    case SystemValue::ComputerName: return ComputerName();
    case SystemValue::CurrentDomainName: return UserDomain();
    case SystemValue::WindowsFolder: return WindowsFolder(false);
    case SystemValue::SystemFolder: return SystemFolder(false);
    case SystemValue::System16Folder: return System16Folder();
    case SystemValue::LauncherFolder: return ProgramFolder(false);
    case SystemValue::OriginFolder: return OriginFolder();
    case SystemValue::TempFolder: return TempFolder(false);
    case SystemValue::StartMenuFolder: return ReadRegistryValue(kShellFoldersKey, "Start Menu", "");
    case SystemValue::ProgramFilesFolder: return ReadRegistryValue(kCurrentVersionKey, "ProgramFilesDir", "");
    case SystemValue::CommonFilesFolder: return ReadRegistryValue(kCurrentVersionKey, "CommonFilesDir", "");
    case SystemValue::NativeProgramFilesFolder: return NativeFolder("ProgramW6432Dir", "ProgramFilesDir");
    case SystemValue::NativeCommonFilesFolder: return NativeFolder("CommonW6432Dir", "CommonFilesDir");
    case SystemValue::FontFolder: return FontFolder();
    }
    return {};
}

std::string LongMonthName(int month)
{
    if (month < 1 || month > 12)
        return {};
    char name[80];
    const int n =
        ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1), name, sizeof name);
    return n > 1 ? std::string(name, static_cast<size_t>(n) - 1) : std::string();
}

std::string FullPath(const std::string& path)
{
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD n = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0)
            return {};
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(n + 1);
    }
}

} // namespace

VariableSource SystemVariableSource()
{
    VariableSource source;
    source.value = Value;
    source.specialFolder = [](SpecialFolder which) { return SpecialFolderPath(which, false); };
    source.now = LocalNow;
    source.longMonthName = LongMonthName;
    source.dateSeparator = UserDateSeparator;
    source.fullPath = FullPath;
    return source;
}

std::string ExpandVariables(const std::string& text, const std::string& folderSuffix, bool pathVariables,
                            bool resolveRelative)
{
    return ExpandVariables(text, folderSuffix, pathVariables, resolveRelative, SystemVariableSource());
}
