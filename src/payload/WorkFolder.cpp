#include "payload/WorkFolder.h"

#include <windows.h>

#include "payload/Appearance.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/PrivateAccessWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

// A folder of the run's own while it is made and held; removed as a whole.
struct RunFolder {
    std::string path;
    ScopedFile hold;

    const std::string& Make(const std::string& parent, const std::string& prefix)
    {
        PrivateFolder made = MakePrivateFolder(parent, prefix);
        if (made.path.empty())
            TraceLine(ProcessIdText(), " ==== no folder ", prefix, "... in ", parent, ": ", made.error, " ",
                      ErrorText(made.error));
        path = std::move(made.path);
        hold = std::move(made.hold);
        return path;
    }
    void Remove()
    {
        hold.reset();
        if (!path.empty())
            DeleteTree(path, true);
        path.clear();
    }
};

RunFolder g_workFolder;
RunFolder g_alternativeFolder;
std::string g_alternativeBase;

// Where the alternative work folder of a drive would go: "X:\TEMP", or inside it when that
// folder exists.
std::string AlternativeBase(char letter)
{
    const std::string base = std::string(1, letter) + ":\\TEMP";
    return FolderExists(base) ? base + "\\TEMP" : base;
}

// The folder and the name prefix of the folders made at base + "_".
std::string ParentOf(const std::string& base) { return base.substr(0, base.find_last_of('\\') + 1); }
std::string PrefixOf(const std::string& base) { return base.substr(base.find_last_of('\\') + 1) + "_"; }

} // namespace

SysResult CreateFolderPath(const std::string& path)
{
    const std::string folder = WithoutBackslash(path);
    if (folder.empty())
        return {ERROR_INVALID_NAME};
    if (FolderExists(folder))
        return {};
    const size_t cut = folder.find_last_of('\\');
    // Stop at a drive ("C:") or share root; they are never created here.
    // A parent that cannot be made shows as the folder's own failure below.
    if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':' && folder[cut - 1] != '\\')
        static_cast<void>(CreateFolderPath(folder.substr(0, cut)));
    if (CreateDirectoryA(folder.c_str(), nullptr))
        return {};
    // The caller shows the reason: the check below must not replace it with its own.
    const SysResult failed = SysResult::LastError();
    if (FolderExists(folder))
        return {}; // made by someone else in the meantime
    return failed;
}

std::string WorkFolder()
{
    if (g_workFolder.path.empty())
        g_workFolder.Make(TempFolder(false), "SETUP_");
    return g_workFolder.path;
}

void RemoveWorkFolder() { g_workFolder.Remove(); }

bool FindRoomierTempDrive()
{
    if (!g_alternativeBase.empty())
        return true;
    double freeBytes[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const char letter = static_cast<char>('C' + i);
        if (GetDriveTypeA((std::string(1, letter) + ":\\").c_str()) != DRIVE_FIXED)
            continue;
        // The probe is made where the alternative work folder would be, as that folder is.
        const std::string base = AlternativeBase(letter);
        RunFolder probe;
        // A drive that cannot be written counts with no free space.
        if (!probe.Make(ParentOf(base), PrefixOf(base)).empty() &&
            WriteFileData(probe.path + "\\~aa.tmp", "aa", 0, false))
            freeBytes[i] = FreeBytes(probe.path);
        probe.Remove();
    }
    const std::string temp = TempFolder(true);
    if (temp.empty())
        return false;
    const char tempLetter = UpperText(temp.substr(0, 1))[0];
    const char best = RoomierDrive(tempLetter, freeBytes);
    if (best != tempLetter)
        g_alternativeBase = AlternativeBase(best);
    return !g_alternativeBase.empty();
}

std::string AlternativeWorkFolder()
{
    if (g_alternativeFolder.path.empty() && !g_alternativeBase.empty())
        g_alternativeFolder.Make(ParentOf(g_alternativeBase), PrefixOf(g_alternativeBase));
    return g_alternativeFolder.path;
}

void RemoveAlternativeWorkFolder() { g_alternativeFolder.Remove(); }
