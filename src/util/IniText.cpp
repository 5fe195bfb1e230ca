#include "util/IniText.h"

#include "util/Utils.h"

namespace {

// The raw value of key in section; false when the section or the key is missing.
bool FindValue(const std::string& text, const std::string& section, const std::string& key, std::string& value)
{
    const std::string wantSection = UpperText(TrimText(section));
    const std::string wantKey = UpperText(TrimText(key));
    bool inSection = false, sectionSeen = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = TrimText(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.front() == '[') {
            const size_t close = line.find(']');
            const std::string name =
                UpperText(TrimText(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            // Only the first section of a name is read, as the profile functions do.
            if (inSection)
                return false;
            inSection = !sectionSeen && name == wantSection;
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection || line.empty() || line.front() == ';')
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || UpperText(TrimText(line.substr(0, equals))) != wantKey)
            continue;
        value = TrimText(line.substr(equals + 1));
        return true;
    }
    return false;
}

} // namespace

std::string IniValue(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& def)
{
    std::string value;
    if (!FindValue(text, section, key, value))
        return def;
    const char first = value.empty() ? '\0' : value.front();
    if (value.size() >= 2 && (first == '"' || first == '\'') && value.back() == first)
        value = value.substr(1, value.size() - 2);
    return value;
}

bool IniHasKey(const std::string& text, const std::string& section, const std::string& key)
{
    std::string value;
    return FindValue(text, section, key, value);
}
