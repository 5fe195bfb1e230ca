#include "agent/AgentFolders.h"

#include <cstdint>

#include "util/KDebug.h"
#include "util/Utils.h"

namespace {

// FNV-1a over the folder's upper-case name: a name for the folder, not a secret.
std::string FolderNumber(const std::string& folder)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : UpperText(WithBackslash(folder, true))) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return HexNumber(hash, 16);
}

} // namespace

std::vector<std::string> AgentFiles::OwnNames(const std::string& agentFileName) const
{
    return {original, info, signature, log, xCopy, agentFileName};
}

std::string XCopyName(const std::string& agentFileName) { return "X_" + agentFileName; }

AgentFiles AgentFilesOf(const std::string& installIn, const std::string& stateIn, const std::string& infoFileName,
                        const std::string& installedInfoName, const std::string& agentFileName)
{
    AgentFiles f;
    f.install = WithBackslash(installIn, true);
    f.state = WithBackslash(stateIn, true);
    f.original = f.install + installedInfoName;
    if (UpperText(f.state) != UpperText(f.install))
        f.overlay = f.state + "X_" + installedInfoName;
    f.info = f.state + infoFileName;
    f.signature = f.info + ".sig";
    f.xCopy = f.state + XCopyName(agentFileName);
    f.log = UpdateLogPathFor(f.xCopy);
    f.fetchFolder = f.state + FileTitle(f.xCopy, false) + ".fetch\\";
    return f;
}

std::string PerUserAgentFolder(const std::string& localAppData, const std::string& install,
                               const std::string& agentFileName)
{
    return WithBackslash(localAppData, true) + "Kalvex\\Agents\\" + FileTitle(agentFileName, false) + "-" +
           FolderNumber(install) + "\\";
}
