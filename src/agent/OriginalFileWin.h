// Reading and writing the installed product's ".original" file (agent/OriginalFile.h).
// Every access opens the file anew, so a value another process changed is seen at once;
// a missing file or key gives the default.
//
// Where the agent may not write into the installed description (agent/AgentFolders.h),
// what it records goes into a description of its own, the overlay, which answers first
// for the keys it holds. The overlay remembers the installed version it was written over:
// once the product's installer has written the description anew (another version), the
// overlay no longer answers. A value that could be written nowhere is remembered for the
// rest of the run, so that a failed write never makes the agent check sooner or offer a
// release it has just installed.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "agent/OriginalFile.h"

class OriginalFile {
public:
    explicit OriginalFile(std::string path, std::string overlay = std::string())
        : path_(std::move(path)), overlay_(std::move(overlay))
    {
    }
    const std::string& Path() const { return path_; }
    // Where the agent's values are written: the overlay when there is one.
    const std::string& WrittenPath() const { return overlay_.empty() ? path_ : overlay_; }

    std::string Text(const OriginalKey& key) const;
    std::int64_t Int(const OriginalKey& key) const;
    // The agent's texts ([AutoUpdate] s2 ...), in the product's language.
    std::string AutoUpdateText(const std::string& key, const std::string& def) const;

    // False when the value could not be written: a caller that relies on it being there
    // must not carry on as if it were. It still answers for the rest of the run.
    [[nodiscard]] bool WriteInt(const OriginalKey& key, std::int64_t value) const;
    // The seconds value and its readable "__" copy.
    [[nodiscard]] bool WriteSeconds(const OriginalKey& key, std::int64_t seconds) const;

private:
    std::string Stored(const std::string& section, const std::string& key, const std::string& def) const;
    bool OverlayAnswers() const;
    bool Write(const std::string& section, const std::string& key, const std::string& value) const;

    std::string path_;
    std::string overlay_;
    // Values this run could not write, by "section\nkey".
    mutable std::map<std::string, std::string> unsaved_;
};
