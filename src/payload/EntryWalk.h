// The walk over a payload's blocks that needs no Windows call: each length checked
// against what is left before the trailer, the first volume's header strings skipped,
// every other block inflated (or taken stored), split into header and content, and its
// name checked. UnPack (Windows) feeds it the volumes' bytes and writes what it hands out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "payload/PayloadEntry.h"
#include "payload/ZInflate.h"

// Why the walk of one volume stopped.
enum class WalkStop {
    End,       // the blocks reached the trailer
    Short,     // a read came short: the volume ends early
    BadLength, // a block length runs past the trailer (or cannot be negated)
    Damaged,   // a compressed entry does not inflate (Error() tells zlib's result)
};

// One file entry as the walk hands it out; content points into the walk's buffer and
// is valid until the next entry.
struct WalkedEntry {
    EntryHeader header;
    // Why the entry must not be written (EntryRefusal); such an entry is never the run
    // target. Empty when it may be written.
    std::string refusal;
    const char* content = nullptr;
    size_t contentSize = 0;
    // The walk's buffer that holds content, at contentOffset. A sink may take it (swap
    // in another string, of any size and content): the walk goes on with that one.
    std::string* buffer = nullptr;
    size_t contentOffset = 0;
    // The offset of the entry's block in its volume.
    int64_t position = 0;
    // The entry was handed out ahead of the walk (see TReadAhead) and is written already:
    // header only, no content.
    bool written = false;
};

class TEntryWalk {
public:
    // Fills into[0, n) (into holds at least n bytes) with the volume's next n bytes;
    // false when they are not all there.
    using Read = std::function<bool(std::string& into, size_t n)>;
    using Sink = std::function<void(const WalkedEntry& entry)>;
    // Asked before each entry block (offset, length field, size) is read: the header of an
    // entry already written ahead of the walk, whose bytes the walk then skips, or none.
    using Ahead = std::function<std::optional<EntryHeader>(int64_t position, int32_t length, int64_t size)>;
    // Moves the volume's position n bytes on; false when it cannot.
    using Skip = std::function<bool(int64_t n)>;

    explicit TEntryWalk(InflatePump pump = {}) : pump_(std::move(pump)) {}
    void SetAhead(Ahead ahead, Skip skip)
    {
        ahead_ = std::move(ahead);
        skip_ = std::move(skip);
    }

    // Walks one volume's blocks from position (where read starts) while more than a
    // trailer's length is left before end. The block count runs on across volumes, so
    // only the first volume's first headerStringCount blocks are header strings.
    WalkStop Volume(const Read& read, int64_t position, int64_t end, int headerStringCount, const Sink& sink);

    // Where the last walk stopped: the offset of the block it could not take.
    int64_t Position() const { return position_; }
    // The length field of that block (for BadLength).
    int32_t Length() const { return length_; }
    // zlib's result for that block (for Damaged).
    int Error() const { return error_; }
    // The offset just past the header strings (0 until they were all read).
    int64_t HeaderEnd() const { return headerEnd_; }
    // The entry header of the last accepted entry that marks the run target (see
    // EntryHeader::runTarget); empty when none did.
    const std::string& RunTarget() const { return runTarget_; }
    // The digest of the next volume that the last walked volume links to (see
    // VolumeLinkBlock); none when it carries no link.
    const std::optional<VolumeDigest>& NextVolume() const { return nextVolume_; }

private:
    void Entry(std::string& buffer, size_t size, const Sink& sink);
    void Written(EntryHeader header, const Sink& sink);

    InflatePump pump_;
    Ahead ahead_;
    Skip skip_;
    int64_t blocks_ = 0;
    int64_t position_ = 0;
    int32_t length_ = 0;
    int error_ = 0;
    int64_t headerEnd_ = 0;
    std::string runTarget_;
    std::optional<VolumeDigest> nextVolume_;
    // Kept for the whole walk: entries are read and inflated into the same memory.
    std::string block_;
    std::string inflated_;
    int64_t entryPosition_ = 0;
};
