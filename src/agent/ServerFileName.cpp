#include "agent/ServerFileName.h"

#include "payload/PayloadEntry.h"
#include "util/Utils.h"

std::string BareServerName(const std::string& name)
{
    const std::string bare = FileNamePart(name);
    return IsSafeEntryName(bare) ? bare : std::string();
}
