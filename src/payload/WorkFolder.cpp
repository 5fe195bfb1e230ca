#include "payload/WorkFolder.h"

#include <windows.h>

#include "util/FilesWin.h"
#include "payload/Appearance.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

std::string g_workFolder;
std::string g_alternativeBase;
std::string g_alternativeFolder;

// Only a full path is ever deleted: a failed temp-folder query must not empty a folder
// relative to the current one.
bool Deletable(const std::string& path)
{
    return path.size() > 3 && (path.compare(1, 2, ":\\") == 0 || path.compare(0, 2, "\\\\") == 0);
}

// Deletes whatever lies at path, then creates it empty.
std::string FreshFolder(const std::string& path)
{
    if (Deletable(path) && FolderExists(path))
        DeleteTree(path, true);
    // A folder that cannot be made is reported by the extraction, which makes it again.
    static_cast<void>(CreateFolderPath(path));
    return path;
}

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

std::string WorkFolderPath()
{
    return g_workFolder.empty()
               ? TempFolder(true) + "SETUP_" + std::to_string(FileDosStamp(ProgramPath(false)) & 0xFFFF)
               : g_workFolder;
}

std::string WorkFolder()
{
    if (g_workFolder.empty())
        g_workFolder = FreshFolder(WorkFolderPath());
    return g_workFolder;
}

void RemoveWorkFolder()
{
    const std::string path = WorkFolderPath();
    if (Deletable(path))
        DeleteTree(path, true);
    // The agent runs one update after another in one process: the next one gets the
    // folder made afresh, not the path of one that is gone.
    g_workFolder.clear();
}

bool FindRoomierTempDrive()
{
    if (!g_alternativeBase.empty())
        return true;
    double freeBytes[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const std::string letter(1, static_cast<char>('C' + i));
        if (GetDriveTypeA((letter + ":\\").c_str()) != DRIVE_FIXED)
            continue;
        std::string probe = letter + ":\\TEMP";
        // The probe is deleted afterwards, so it must be a folder this run creates.
        for (int attempt = 0; attempt < 10 && FolderExists(probe); ++attempt)
            probe = letter + ":\\TEMP\\TEMP" + RandomText(10000, 100000);
        if (FolderExists(probe))
            continue;
        // A drive that cannot be written counts with no free space.
        if (CreateFolderPath(probe) && WriteFileData(probe + "\\~aa.tmp", "aa", 0, false))
            freeBytes[i] = FreeBytes(probe);
        DeleteTree(probe, true);
    }
    const std::string temp = TempFolder(true);
    if (temp.empty())
        return false;
    const char tempLetter = UpperText(temp.substr(0, 1))[0];
    const char best = RoomierDrive(tempLetter, freeBytes);
    if (best != tempLetter) {
        g_alternativeBase = std::string(1, best) + ":\\TEMP";
        if (FolderExists(g_alternativeBase))
            g_alternativeBase += "\\TEMP";
    }
    return !g_alternativeBase.empty();
}

std::string AlternativeWorkFolder()
{
    if (g_alternativeFolder.empty() && !g_alternativeBase.empty())
        g_alternativeFolder = FreshFolder(g_alternativeBase + "_" + RandomText(10000, 100000));
    return g_alternativeFolder;
}

void RemoveAlternativeWorkFolder()
{
    if (g_alternativeFolder.empty())
        return;
    DeleteTree(g_alternativeFolder, true);
    g_alternativeFolder.clear();
}
