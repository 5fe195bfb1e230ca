#include "agent/OriginalFileWin.h"

#include "payload/GFileInfo.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"

namespace {
std::string g_original;
std::string g_info;

const std::string& PathOf(const InfoKey& key) { return key.file == InfoFile::Original ? g_original : g_info; }
} // namespace

void LocateDescriptionFiles(const std::string& folder, const TGFileInfo& own)
{
    SetDescriptionFiles(WithBackslash(folder, true) + own.InstalledInfoName(),
                        WithBackslash(folder, true) + own.InfoFileName());
}

void SetDescriptionFiles(const std::string& originalPath, const std::string& infoPath)
{
    g_original = originalPath;
    g_info = infoPath;
}

const std::string& OriginalFilePath() { return g_original; }
const std::string& InfoFilePath() { return g_info; }

std::string ReadInfoText(const InfoKey& key) { return ReadIniString(PathOf(key), key.section, key.key, key.def); }

std::int64_t ReadInfoInt(const InfoKey& key)
{
    return ReadIniInt(PathOf(key), key.section, key.key, ParseInt64(key.def, 0));
}

bool ReadInfoFlag(const InfoKey& key)
{
    const int index = OverrideIndexOf(key);
    const std::uint8_t overrideByte = index < 0 ? kNotOverridden : AgentOverrides()[static_cast<std::size_t>(index)];
    if (overrideByte != kNotOverridden)
        return overrideByte == 1;
    return FlagText(ReadInfoText(key));
}

std::string AutoUpdateText(const std::string& key, const std::string& def)
{
    return ReadIniString(g_original, "AutoUpdate", key, def);
}

bool WriteInfoInt(const InfoKey& key, std::int64_t value)
{
    return WriteIniInt(PathOf(key), key.section, key.key, value);
}

bool WriteInfoSeconds(const InfoKey& key, std::int64_t seconds)
{
    const bool ok = WriteInfoInt(key, seconds);
    return WriteIniString(PathOf(key), key.section, std::string("__") + key.key, ReadableSeconds(seconds)) && ok;
}

OverrideBytes& AgentOverrides()
{
    static OverrideBytes bytes = FreshOverrides();
    return bytes;
}
