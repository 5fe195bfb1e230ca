// Reading ahead of the extraction's walk: the small files behind a large entry.
//
// Inflating a large entry keeps one core busy for a long while, and the writer would wait
// for it; making many small files keeps the writer busy while the inflating side waits.
// Before the walk inflates a large entry, the read-ahead goes on through the blocks after
// it and hands out the small entries of new files, inflated, for the writer to make
// meanwhile. The walk, reaching such a block, takes its header from here and skips it.
//
// The files come out as the walk alone would make them: an entry is handed out only
// when no block between the walk and it can touch its file. A name (as Windows compares
// names) seen in any block since the read-ahead began, a folder of such a name or such a
// name as a folder, or a file the work folder already has keeps the entry for the walk.
// A short alias ("~": which file it means depends on what exists), a block that cannot be
// read whole, a large entry whose header does not show and an entry that does not inflate
// end the read-ahead for the volume. Large entries themselves are always the walk's.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "payload/EntryWalk.h"

// A compressed block larger than this keeps a core busy for a while: the walk reads ahead
// before it inflates one, and the read-ahead only reads the header of such a block.
constexpr int64_t kLargeBlock = 256 << 10;

class TReadAhead {
public:
    // Fills into[0, n) (into holds at least n bytes) with the volume's bytes at offset;
    // false when they are not all there.
    using ReadAt = std::function<bool(int64_t offset, std::string& into, size_t n)>;
    // Whether the work folder already has a file of the entry name ("\" separated).
    using Known = std::function<bool(const std::string& name)>;
    // Whether one more entry can be handed out now.
    using Room = std::function<bool()>;
    // Takes an entry handed out: its content is in its buffer, which the taker may swap
    // for another string as the walk's sink may.
    using Take = std::function<void(const WalkedEntry& entry)>;

    // end: where the volume's blocks end, as for TEntryWalk::Volume.
    TReadAhead(ReadAt read, int64_t end) : read_(std::move(read)), end_(end) {}

    // Reads on from position (the block the walk is at) or from where the last run
    // stopped, when that is further on, while there is room.
    void Run(int64_t position, const Known& known, const Room& room, const Take& take);
    // The header of the entry at position when it was handed out; forgotten then.
    std::optional<EntryHeader> Taken(int64_t position);
    // The names of the entries handed out that the walk never reached (it stopped before
    // them); forgotten then.
    std::vector<std::string> Unreached();

private:
    // One block at position_: false when the read-ahead ends.
    bool Step(const Known& known, const Take& take);
    // The entry header of the block (length field given) whose first n bytes are in
    // block_; false when it does not show there.
    bool Header(int32_t length, size_t n, std::string& header);
    bool Free(const std::string& key) const;
    void Mark(const std::string& key);

    ReadAt read_;
    int64_t end_;
    int64_t position_ = -1;
    bool ended_ = false;
    std::unordered_set<std::string> files_, folders_; // keys seen since the read-ahead began
    std::map<int64_t, EntryHeader> taken_;
    std::string block_, inflated_;
};
