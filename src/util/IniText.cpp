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
    Section* current = nullptr;
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
            sections_.push_back({UpperText(std::string(Trimmed(line.substr(1, close - 1)))), {}});
            current = &sections_.back();
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue; // a key without "=" has no value: lookups give their default
        if (!current) {
            sections_.push_back({std::string(), {}});
            current = &sections_.back();
        }
        current->entries.push_back(
            {UpperText(std::string(Trimmed(line.substr(0, eq)))), StoredValue(Trimmed(line.substr(eq + 1)))});
    }
}

const IniText::Section* IniText::Find(std::string_view section) const
{
    const std::string name = UpperText(std::string(Trimmed(section)));
    for (const Section& s : sections_)
        if (s.name == name)
            return &s;
    return nullptr;
}

const IniText::Entry* IniText::Find(std::string_view section, std::string_view key) const
{
    const Section* s = Find(section);
    if (!s)
        return nullptr;
    const std::string name = UpperText(std::string(Trimmed(key)));
    for (const Entry& e : s->entries)
        if (e.key == name)
            return &e;
    return nullptr;
}

std::string IniText::Text(std::string_view section, std::string_view key, const std::string& def) const
{
    const Entry* e = Find(section, key);
    return !e || e->value.empty() ? def : e->value;
}

bool IniText::Has(std::string_view section, std::string_view key) const { return Find(section, key) != nullptr; }

std::int64_t IniText::Int(std::string_view section, std::string_view key, std::int64_t def) const
{
    return ParseInt64(Text(section, key, std::to_string(def)), def);
}
