// The INI reading shared by the manifests of the tools: sections in file order, keys that
// ignore case, refusals that name the file (or --set option), the section and the key.
#pragma once
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Manifest.h"

struct Section {
    std::string name;
    int line = 0;
    std::vector<std::pair<std::string, std::string>> entries; // key, value
    // Keys given or replaced by a --set option (upper-cased key, the option), so that a
    // refusal names the option rather than a line of the file.
    std::vector<std::pair<std::string, std::string>> setBy;
    std::string SetBy(const std::string& key) const;
};

class Reader {
public:
    Reader(std::string file, const Section& s) : file_(std::move(file)), s_(s) {}

    [[noreturn]] void Fail(const std::string& key, const std::string& why) const;
    const std::string* Find(const std::string& key) const;
    std::string Text(const std::string& key, const std::string& def) const;
    bool Flag(const std::string& key, bool def) const;
    uint64_t Number(const std::string& key, uint64_t def, uint64_t low, uint64_t high) const;
    // Every key must be one of known: a misspelt option would otherwise be ignored.
    void OnlyKeys(std::initializer_list<const char*> known) const;
    const Section& section() const { return s_; }

private:
    std::string file_;
    const Section& s_;
};

std::string Trim(const std::string& s);
// The --set options (Section/Key=value) over the file's sections: a key is replaced or
// added, a section added at the end; each remembers the option that gave it.
void ApplyOverrides(std::vector<Section>& sections, const std::vector<std::string>& overrides);
// Refuses a section no reader knows, naming the line or the --set option that made it.
[[noreturn]] void UnknownSection(const std::string& file, const Section& s);
// Sections in file order; a malformed line, a repeated section or key is refused.
std::vector<Section> ParseIni(const std::string& path);
// The whole file; throws std::runtime_error naming it when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// value taken from base unless it is absolute.
std::string SourcePath(const std::filesystem::path& base, const std::string& value);
