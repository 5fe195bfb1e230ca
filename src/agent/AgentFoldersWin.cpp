#include "agent/AgentFoldersWin.h"

#include <windows.h>

#include "payload/GFileInfo.h"
#include "payload/WorkFolder.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/ShellDirWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// A new file can be made in folder (and is removed again at once).
bool CanWriteIn(const std::string& folder)
{
    NewFile probe = CreateUniqueFile(WithBackslash(folder, true) + "X_write", ".probe", 0);
    if (!probe.made)
        return false;
    probe.file.reset();
    ::DeleteFileA(probe.path.c_str());
    return true;
}

// The file, when it is there, can be opened for writing (nothing is written).
bool CanWriteFile(const std::string& path)
{
    if (!FileExists(path))
        return true;
    const ScopedFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

} // namespace

AgentFiles AgentFilesFor(const std::string& install, const TGFileInfo& own)
{
    const auto files = [&](const std::string& state) {
        return AgentFilesOf(install, state, own.InfoFileName(), own.InstalledInfoName(), own.AgentFileName());
    };
    AgentFiles beside = files(install);
    if (CanWriteIn(beside.install) && CanWriteFile(beside.original))
        return beside;
    const std::string localAppData = SpecialFolderPath(SpecialFolder::UserLocalAppData, true);
    const std::string perUser = PerUserAgentFolder(localAppData, beside.install, own.AgentFileName());
    if (const SysResult made = CreateFolderPath(perUser); !made) {
        // Nowhere to write: the agent still runs, and remembers for this run what it
        // could not record.
        TraceLine(ProcessIdText(), " ==== no folder for the agent's files: ", perUser, " ", ErrorText(made.error));
        return beside;
    }
    return files(perUser);
}
