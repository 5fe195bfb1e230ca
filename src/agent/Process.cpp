#include "agent/Process.h"

#include "util/Utils.h"

namespace {

// A path without the system's prefix of its own name space: "\\?\UNC\server\share" is
// "\\server\share", "\\?\C:\x" is "C:\x".
std::string WithoutNameSpace(const std::string& path)
{
    const std::string trimmed = TrimText(path);
    if (StartsWith("\\\\?\\UNC\\", trimmed, true))
        return "\\" + trimmed.substr(7);
    if (StartsWith("\\\\?\\", trimmed, true))
        return trimmed.substr(4);
    return trimmed;
}

} // namespace

bool ProcessMatches(const std::string& path, const std::string& shortPath, const ProcessImage& image, bool fullPathOnly)
{
    if (TrimText(path).empty())
        return false;
    if (SameTextTrimmed(WithoutNameSpace(path), WithoutNameSpace(image.fullName)))
        return true;
    if (!fullPathOnly && SameTextTrimmed(path, image.baseName))
        return true;
    return !TrimText(shortPath).empty() && !TrimText(image.shortName).empty() &&
           SameTextTrimmed(shortPath, image.shortName);
}

void TAnalizer::Reset()
{
    windows_.fill(0);
    scores_.fill(0);
    count_ = 0;
    processId_ = 0;
}

void TAnalizer::Record(Window window)
{
    if (count_ < kCapacity)
        windows_[static_cast<std::size_t>(count_++)] = window;
}

TAnalizer::Window TAnalizer::MainWindow(const FactsOf& factsOf)
{
    const std::size_t count = static_cast<std::size_t>(count_);
    scores_.fill(0);
    for (std::size_t i = 0; i < count; ++i) {
        // Owner chains are short; the bound only guards against one that loops.
        Window root = 0;
        Window w = factsOf(windows_[i]).owner;
        for (int step = 0; w != 0 && step < kCapacity; ++step) {
            root = w;
            w = factsOf(w).owner;
        }
        if (root == 0)
            continue;
        for (std::size_t j = 0; j < count; ++j)
            if (windows_[j] == root)
                ++scores_[j];
    }
    Window best = 0;
    std::uint16_t bestScore = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Facts facts = factsOf(windows_[i]);
        scores_[i] = static_cast<std::uint16_t>(scores_[i] * 4 + (facts.hasTitle ? 2 : 0) + (facts.visible ? 1 : 0));
        if (scores_[i] > bestScore) {
            bestScore = scores_[i];
            best = windows_[i];
        }
    }
    return best;
}
