#include "util/IniText.h"

#include "util/Utils.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string Name(std::string_view s) { return UpperText(std::string(Trimmed(s))); }

// One pair of enclosing quotes goes, as the system's reader drops them; a value too long
// for its buffer keeps its cut end.
std::string StoredValue(std::string_view value)
{
    const bool quoted =
        value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    if (quoted)
        value.remove_prefix(1);
    std::string out(value.substr(0, IniText::kLongestValue));
    if (quoted && IniText::kLongestValue + 1 >= value.size() && !out.empty())
        out.pop_back();
    return out;
}

} // namespace

IniText::IniText(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string> seen; // the sections met so far
    std::string section;           // lines before any section belong to the nameless one
    bool counts = true;            // only the first section of a name counts
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close == std::string_view::npos)
                continue; // no section; nothing can look it up
            section = Name(line.substr(1, close - 1));
            counts = true;
            for (const std::string& name : seen)
                counts = counts && name != section;
            seen.push_back(section);
            continue;
        }
        const std::size_t eq = line.find('=');
        // A key without "=" has no value: lookups give their default.
        if (counts && eq != std::string_view::npos)
            entries_.push_back({section, Name(line.substr(0, eq)), StoredValue(Trimmed(line.substr(eq + 1)))});
    }
}

const IniText::Entry* IniText::Find(std::string_view section, std::string_view key) const
{
    const std::string s = Name(section), k = Name(key);
    for (const Entry& e : entries_)
        if (e.section == s && e.key == k)
            return &e;
    return nullptr;
}

std::string IniText::Text(std::string_view section, std::string_view key, const std::string& def) const
{
    const Entry* e = Find(section, key);
    return !e || e->value.empty() ? def : e->value;
}

std::int64_t IniText::Int(std::string_view section, std::string_view key, std::int64_t def) const
{
    const Entry* e = Find(section, key);
    return e ? ParseInt64(e->value, def) : def;
}

bool IniText::Has(std::string_view section, std::string_view key) const { return Find(section, key) != nullptr; }
