#include "ManifestIni.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "util/Utils.h"

std::string Section::SetBy(const std::string& key) const
{
    for (const auto& [k, option] : setBy)
        if (k == UpperText(key))
            return option;
    return {};
}

void Reader::Fail(const std::string& key, const std::string& why) const
{
    const std::string option = s_.SetBy(key);
    throw ManifestError((option.empty() ? file_ : "--set " + option) + ": [" + s_.name + "] " + key + ": " + why);
}

const std::string* Reader::Find(const std::string& key) const
{
    for (const auto& [k, v] : s_.entries)
        if (UpperText(k) == UpperText(key))
            return &v;
    return nullptr;
}

std::string Reader::Text(const std::string& key, const std::string& def) const
{
    const std::string* v = Find(key);
    return v ? *v : def;
}

bool Reader::Flag(const std::string& key, bool def) const
{
    const std::string* v = Find(key);
    if (!v)
        return def;
    if (*v != "0" && *v != "1")
        Fail(key, "expected 0 or 1, not \"" + *v + "\"");
    return *v == "1";
}

uint64_t Reader::Number(const std::string& key, uint64_t def, uint64_t low, uint64_t high) const
{
    const std::string* v = Find(key);
    if (!v)
        return def;
    const int64_t n = ParseInt64(*v, -1);
    if (v->empty() || v->find_first_not_of("0123456789") != std::string::npos || n < 0 ||
        static_cast<uint64_t>(n) < low || static_cast<uint64_t>(n) > high)
        Fail(key, "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high) + ", not \"" +
                      *v + "\"");
    return static_cast<uint64_t>(n);
}

void Reader::OnlyKeys(std::initializer_list<const char*> known) const
{
    for (const auto& entry : s_.entries) {
        const bool ok = std::any_of(known.begin(), known.end(),
                                    [&](const char* k) { return UpperText(k) == UpperText(entry.first); });
        if (!ok)
            Fail(entry.first, "unknown key");
    }
}

void ApplyOverrides(std::vector<Section>& sections, const std::vector<std::string>& overrides)
{
    for (const std::string& o : overrides) {
        const size_t slash = o.find('/'), eq = o.find('=');
        if (slash == std::string::npos || eq == std::string::npos || slash == 0 || eq < slash + 2)
            throw ManifestError("--set " + o + ": expected Section/Key=value");
        const std::string name = o.substr(0, slash), key = o.substr(slash + 1, eq - slash - 1);
        auto s = std::find_if(sections.begin(), sections.end(),
                              [&](const Section& x) { return UpperText(x.name) == UpperText(name); });
        if (s == sections.end())
            s = sections.insert(sections.end(), Section{name, 0, {}, {}});
        auto e = std::find_if(s->entries.begin(), s->entries.end(),
                              [&](const auto& x) { return UpperText(x.first) == UpperText(key); });
        if (e != s->entries.end())
            e->second = o.substr(eq + 1);
        else
            s->entries.emplace_back(key, o.substr(eq + 1));
        s->setBy.emplace_back(UpperText(key), o);
    }
}

void UnknownSection(const std::string& file, const Section& s)
{
    throw ManifestError((s.line == 0 && !s.setBy.empty() ? "--set " + s.setBy.front().second
                                                         : file + " line " + std::to_string(s.line)) +
                        ": [" + s.name + "] is not a known section");
}

std::string Trim(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    if (!in)
        throw std::runtime_error(path + ": cannot be read");
    return data.str();
}

std::vector<Section> ParseIni(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ManifestError(path + ": cannot be read");
    std::vector<Section> sections;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            continue;
        const std::string where = path + " line " + std::to_string(number);
        if (t[0] == '[') {
            if (t.back() != ']' || t.size() < 3)
                throw ManifestError(where + ": a section header must read [Name]");
            const std::string name = Trim(t.substr(1, t.size() - 2));
            for (const Section& s : sections)
                if (UpperText(s.name) == UpperText(name))
                    throw ManifestError(where + ": [" + name + "] appears twice");
            sections.push_back({name, number, {}, {}});
            continue;
        }
        const size_t eq = t.find('=');
        if (eq == std::string::npos || sections.empty())
            throw ManifestError(where + ": expected key=value inside a section");
        const std::string key = Trim(t.substr(0, eq));
        std::string value = Trim(t.substr(eq + 1));
        // Double quotes keep blanks at the ends of a value.
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        Section& s = sections.back();
        if (key.empty())
            throw ManifestError(where + ": [" + s.name + "] a key is missing before \"=\"");
        for (const auto& entry : s.entries)
            if (UpperText(entry.first) == UpperText(key))
                throw ManifestError(path + ": [" + s.name + "] " + key + ": appears twice");
        s.entries.emplace_back(key, value);
    }
    return sections;
}

std::string SourcePath(const std::filesystem::path& base, const std::string& value)
{
    std::filesystem::path p(value);
    return (p.is_absolute() ? p : base / p).lexically_normal().string();
}
