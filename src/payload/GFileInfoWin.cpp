// The Windows side of the descriptor: the user's language and the drive's cluster size.
#include <windows.h>

#include "payload/GFileInfo.h"
#include "ui/SLangId.h"
#include "util/Utils.h"

namespace {

// The selected language block, shared by all descriptors; chosen on the first lookup.
std::string& SelectedBlock()
{
    static std::string block;
    return block;
}

} // namespace

void ResetLanguageBlockForTest() { SelectedBlock().clear(); }

std::string TGFileInfo::LocalizedText(const std::string& key, const std::string& def) const
{
    std::string& block = SelectedBlock();
    if (block.empty())
        block = SelectLanguageBlock(languageTable_, SystemLanguageName());
    return LanguageBlockText(block, key, def);
}

int TGFileInfo::Charset() const { return static_cast<int>(ParseInt64(LocalizedText("Charset", "0"), 0)); }
int TGFileInfo::FontSize() const { return static_cast<int>(ParseInt64(LocalizedText("FontSize", "8"), 8)); }
std::string TGFileInfo::FontName() const { return LocalizedText("FontName", "Tahoma"); }

double TGFileInfo::RequiredSpace(const std::string& path) const
{
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    uint64_t cluster = 0;
    if (GetDiskFreeSpaceA(path.substr(0, 3).c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        cluster = static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector;
    return RequiredSpaceForCluster(cluster);
}
