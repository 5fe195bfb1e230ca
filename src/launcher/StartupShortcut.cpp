#include "launcher/StartupShortcut.h"

#include "util/Utils.h"

bool IsStartupShortcut(const std::string& path, const std::vector<std::string>& startupFolders)
{
    if (path.find_first_of("/*?\"<>|", 0) != std::string::npos || path.find(':', 2) != std::string::npos ||
        path.find("\\.\\") != std::string::npos || path.find("\\..\\") != std::string::npos)
        return false;
    const size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos || !EndsWith(".lnk", path, true) || path.size() - cut <= 5)
        return false;
    const std::string folder = UpperText(path.substr(0, cut));
    for (const std::string& startup : startupFolders)
        if (!startup.empty() && UpperText(WithoutBackslash(startup)) == folder)
            return true;
    return false;
}
