#include "agent/OriginalFileWin.h"

#include "util/SysUtilsWin.h"

namespace {

// Stands for "no such key": no value the agent writes is this text.
constexpr const char* kAbsent = "\x01";
// The overlay's record of the installed description it was written over.
constexpr const char* kBaseSection = "Installed";
constexpr const char* kBaseKey = "VersionOriginal";

std::string UnsavedKey(const std::string& section, const std::string& key) { return section + "\n" + key; }

} // namespace

bool OriginalFile::OverlayAnswers() const
{
    // "v" + the text, so that an empty version is a value too.
    return !overlay_.empty() && ReadIniString(overlay_, kBaseSection, kBaseKey, kAbsent) ==
                                    "v" + ReadIniString(path_, "OriginalSetup", "VersionOriginal", "");
}

std::string OriginalFile::Stored(const std::string& section, const std::string& key, const std::string& def) const
{
    if (const auto unsaved = unsaved_.find(UnsavedKey(section, key)); unsaved != unsaved_.end())
        return unsaved->second;
    if (OverlayAnswers()) {
        const std::string recorded = ReadIniString(overlay_, section, key, kAbsent);
        if (recorded != kAbsent)
            return recorded;
    }
    return ReadIniString(path_, section, key, def);
}

std::string OriginalFile::Text(const OriginalKey& key) const { return Stored(key.section, key.key, key.def); }

std::int64_t OriginalFile::Int(const OriginalKey& key) const
{
    return ParseInt64(Stored(key.section, key.key, key.def), ParseInt64(key.def, 0));
}

std::string OriginalFile::AutoUpdateText(const std::string& key, const std::string& def) const
{
    return ReadIniString(path_, "AutoUpdate", key, def);
}

bool OriginalFile::Write(const std::string& section, const std::string& key, const std::string& value) const
{
    bool written = true;
    if (!overlay_.empty() && !OverlayAnswers()) {
        // A new overlay over the description as it is now: the old one's values were
        // recorded over another installation.
        ::DeleteFileA(overlay_.c_str());
        written = WriteIniString(overlay_, kBaseSection, kBaseKey,
                                 "v" + ReadIniString(path_, "OriginalSetup", "VersionOriginal", ""));
    }
    written = written && WriteIniString(WrittenPath(), section, key, value);
    if (written)
        unsaved_.erase(UnsavedKey(section, key));
    else
        unsaved_[UnsavedKey(section, key)] = value;
    return written;
}

bool OriginalFile::WriteInt(const OriginalKey& key, std::int64_t value) const
{
    return Write(key.section, key.key, std::to_string(value));
}

bool OriginalFile::WriteSeconds(const OriginalKey& key, std::int64_t seconds) const
{
    const bool written = WriteInt(key, seconds);
    return Write(key.section, std::string("__") + key.key, ReadableSeconds(seconds)) && written;
}
