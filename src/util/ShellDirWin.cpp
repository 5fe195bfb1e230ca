#include "util/ShellDirWin.h"

#include <windows.h>

#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// The shell fills at most MAX_PATH characters; the buffer is zeroed so that a query that
// reports success without writing gives "".
constexpr size_t kShellBuffer = 1025;

using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using GetSpecialFolderPathFn = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);

std::string FolderPathQuery(int id)
{
    ScopedLibrary library = LoadSystemLibrary("SHFolder.dll");
    const auto query = ProcFrom<GetFolderPathFn>(library.get(), "SHGetFolderPathA");
    if (!query)
        return {};
    char buffer[kShellBuffer] = {};
    return query(nullptr, id, nullptr, 0, buffer) == S_OK ? std::string(buffer) : std::string();
}

std::string SpecialFolderPathQuery(int id)
{
    ScopedLibrary library = LoadSystemLibrary("shell32.dll");
    const auto query = ProcFrom<GetSpecialFolderPathFn>(library.get(), "SHGetSpecialFolderPathA");
    if (!query)
        return {};
    char buffer[kShellBuffer] = {};
    return query(nullptr, buffer, id, FALSE) ? std::string(buffer) : std::string();
}

} // namespace

ShellFolderSource SystemShellFolders()
{
    ShellFolderSource source;
    source.folderPath = FolderPathQuery;
    source.specialFolderPath = SpecialFolderPathQuery;
    source.folderExists = FolderExists;
    source.windowsFolder = [] { return WindowsFolder(false); };
    source.registeredOwner = RegisteredOwnerName;
    return source;
}

std::string SpecialFolderPath(SpecialFolder which, bool trailingSeparator)
{
    return SpecialFolderPath(which, trailingSeparator, SystemShellFolders());
}
