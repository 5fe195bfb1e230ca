#include "agent/ServerFileName.h"

#include "payload/PayloadEntry.h"
#include "util/Utils.h"

std::string BareServerName(const std::string& name)
{
    const std::string bare = FileNamePart(name);
    return IsSafeEntryName(bare) ? bare : std::string();
}

namespace {

// The name as the system stores it: trailing dots and blanks are dropped.
std::string StoredName(const std::string& name)
{
    std::string stored = UpperText(FileNamePart(name));
    while (!stored.empty() && (stored.back() == '.' || stored.back() == ' '))
        stored.pop_back();
    return stored;
}

} // namespace

bool IsOwnFileName(const std::string& name, const std::vector<std::string>& ownNames)
{
    const std::string stored = StoredName(name);
    for (const std::string& own : ownNames)
        if (!own.empty() && StoredName(own) == stored)
            return true;
    return false;
}
