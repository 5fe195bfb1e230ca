#include "payload/GFileInfo.h"

#include <cstring>

#include "payload/FileReader.h"
#include "payload/Token.h"
#include "util/KSUB.h"
#include "util/Utils.h"

TGFileInfo::TGFileInfo(const std::string& path)
{
    TFileReader file(path);
    Read(file);
}

TGFileInfo::TGFileInfo(TFileReader& file) { Read(file); }

void TGFileInfo::Read(TFileReader& file)
{
    trailer_ = ReadTrailer(file);
    if (!HasPayload())
        return;
    // Header strings must lie between payload start and the trailer; a length that runs
    // past that leaves this and the later strings empty.
    const int64_t limit = EffectivePayloadEnd(file) - trailer_.length;
    int64_t at = trailer_.payloadStart;
    std::string* strings[] = {&languageTable_, &updateOptions_, &downloadOptions_};
    const int count = trailer_.headerStringCount < 3 ? trailer_.headerStringCount : 3;
    for (int i = 0; i < count; ++i) {
        uint32_t n = 0;
        if (at < 0 || at + 4 > limit || !file.ReadU32(at, n) || n > static_cast<uint64_t>(limit - at - 4))
            break;
        if (!file.ReadAt(at + 4, n, *strings[i]))
            break;
        at += 4 + static_cast<int64_t>(n);
    }
}

double TGFileInfo::RequiredSpaceForCluster(uint64_t clusterSize) const
{
    return trailer_.requiredSpace[RequiredSpaceIndex(clusterSize)];
}

std::string TGFileInfo::UpdateServerUrl() const { return SUB::ListItem(updateOptions_, 0, ""); }
std::string TGFileInfo::InfoFileName() const { return FileNamePart(SUB::ListItem(updateOptions_, 1, "")); }
std::string TGFileInfo::InstalledInfoName() const
{
    return FileTitle(SUB::ListItem(updateOptions_, 1, ""), true) + ".original";
}
std::string TGFileInfo::AgentFileName() const { return SUB::ListItem(updateOptions_, 2, ""); }
std::string TGFileInfo::UpdateToken(bool descramble) const
{
    const std::string stored = SUB::ListItem(updateOptions_, 3, "");
    return descramble ? DescrambleToken(stored) : stored;
}
bool TGFileInfo::RunHidden() const { return SUB::ListItem(updateOptions_, 4, "") == "1"; }
std::string TGFileInfo::ReleaseKey(int n) const
{
    return n >= 0 && n < kReleaseKeySlots ? SUB::ListItem(updateOptions_, 5 + n, "") : std::string();
}

std::string TGFileInfo::DownloadUrl() const { return SUB::ListItem(downloadOptions_, 0, ""); }
std::string TGFileInfo::DownloadFileName() const { return SUB::ListItem(downloadOptions_, 1, ""); }
std::string TGFileInfo::DownloadSize() const { return SUB::ListItem(downloadOptions_, 4, ""); }
bool TGFileInfo::AlwaysDownload() const { return SUB::ListItem(downloadOptions_, 2, "") == "1"; }
std::string TGFileInfo::DownloadToken(bool descramble) const
{
    const std::string stored = SUB::ListItem(downloadOptions_, 3, "");
    return descramble ? DescrambleToken(stored) : stored;
}

std::string TGFileInfo::DownloadSha256() const { return SUB::ListItem(downloadOptions_, 5, ""); }

bool TGFileInfo::SameDownloadToken(const TGFileInfo& other) const
{
    return SameToken(DownloadToken(false), other.DownloadToken(false));
}

bool TGFileInfo::SameUpdateToken(const TGFileInfo& other) const
{
    return SameToken(UpdateToken(false), other.UpdateToken(false));
}

std::string SelectLanguageBlock(const std::string& table, const std::string& languageName)
{
    const int count = SUB::ListCount(table);
    auto named = [&](const std::string& name) -> std::string {
        for (int i = 0; i < count; ++i) {
            const std::string block = SUB::ListItem(table, i, "");
            if (!block.empty() && SameTextTrimmed(SUB::ListItem(block, 0, ""), name))
                return block;
        }
        return "";
    };
    std::string block = named(languageName);
    if (block.empty() && count == 1)
        block = SUB::ListItem(table, 0, "");
    if (block.empty())
        block = named("English");
    return block.empty() ? "*" : block;
}

std::string LanguageBlockText(const std::string& block, const std::string& key, const std::string& def)
{
    if (block.size() <= 1)
        return def;
    return SUB::ListValue(block, key, def, "");
}
