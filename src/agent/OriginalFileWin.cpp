#include "agent/OriginalFileWin.h"

#include "util/SysUtilsWin.h"

std::string OriginalFile::Text(const OriginalKey& key) const
{
    return ReadIniString(path_, key.section, key.key, key.def);
}

std::int64_t OriginalFile::Int(const OriginalKey& key) const
{
    return ReadIniInt(path_, key.section, key.key, ParseInt64(key.def, 0));
}

std::string OriginalFile::AutoUpdateText(const std::string& key, const std::string& def) const
{
    return ReadIniString(path_, "AutoUpdate", key, def);
}

bool OriginalFile::WriteInt(const OriginalKey& key, std::int64_t value) const
{
    return WriteIniInt(path_, key.section, key.key, value);
}

bool OriginalFile::WriteSeconds(const OriginalKey& key, std::int64_t seconds) const
{
    const bool written = WriteInt(key, seconds);
    return WriteIniString(path_, key.section, std::string("__") + key.key, ReadableSeconds(seconds)) && written;
}
