// Reading and writing the installed product's ".original" file (agent/OriginalFile.h).
// Every access opens the file anew, so a value another process changed is seen at once;
// a missing file or key gives the default.
#pragma once

#include <cstdint>
#include <string>

#include "agent/OriginalFile.h"

class OriginalFile {
public:
    explicit OriginalFile(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    std::string Text(const OriginalKey& key) const;
    std::int64_t Int(const OriginalKey& key) const;
    // The agent's texts ([AutoUpdate] s2 ...), in the product's language.
    std::string AutoUpdateText(const std::string& key, const std::string& def) const;

    // False when the value could not be written: a caller that relies on it being there
    // must not carry on as if it were.
    [[nodiscard]] bool WriteInt(const OriginalKey& key, std::int64_t value) const;
    // The seconds value and its readable "__" copy.
    [[nodiscard]] bool WriteSeconds(const OriginalKey& key, std::int64_t seconds) const;

private:
    std::string path_;
};
