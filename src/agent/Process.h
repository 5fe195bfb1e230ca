// Finding a running program and its main window: the rules that need no system call.
// The searches and shutdown operations themselves are in agent/ProcessWin.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// What a search knows of one running process.
struct ProcessImage {
    std::string fullName;  // the full path of its executable
    std::string baseName;  // its file name
    std::string shortName; // the short (8.3) form of fullName; "" when the system has none
};

// Whether the process runs the program at path (shortPath: the short form of path, ""
// when there is none). Texts are compared trimmed and ignoring case, full paths also
// without a "\\?\" or "\\?\UNC\" prefix (as the system may name a program started
// from a share); the bare file name
// counts unless fullPathOnly is set. Short forms count only when both exist, so that two
// programs on a volume without short names never match through empty ones.
bool ProcessMatches(const std::string& path, const std::string& shortPath, const ProcessImage& image,
                    bool fullPathOnly);

// Collects the top-level windows of one process and picks its main window: a visible,
// titled window that owns other windows of the process.
class TAnalizer {
public:
    using Window = std::uintptr_t; // a window handle; 0 is none
    static constexpr int kCapacity = 2001;

    // What the scoring asks of a window.
    struct Facts {
        Window owner = 0; // its direct owner, 0 for none
        bool hasTitle = false;
        bool visible = false;
    };
    using FactsOf = std::function<Facts(Window)>;

    void Reset();
    void SetProcessId(std::uint32_t processId) { processId_ = processId; }
    std::uint32_t ProcessId() const { return processId_; }
    // Records a window of the process; windows beyond the capacity are ignored.
    void Record(Window window);
    int Count() const { return count_; }

    // Each window scores 4 for every recorded window whose root owner it is, plus 2 with
    // a title and 1 when visible. The highest score wins, the first recorded on a tie;
    // 0 when every score is 0.
    Window MainWindow(const FactsOf& factsOf);

private:
    std::array<Window, kCapacity> windows_{};
    std::array<std::uint16_t, kCapacity> scores_{};
    std::int32_t count_ = 0;
    std::uint32_t processId_ = 0;
};
