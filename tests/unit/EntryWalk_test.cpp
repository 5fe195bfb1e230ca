#include "payload/EntryWalk.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "PayloadBlocks.h"

namespace {

struct Seen {
    std::string name, content;
    bool refused;
    bool operator==(const Seen& o) const { return name == o.name && content == o.content && refused == o.refused; }
};

// Walks blocks followed by a trailer's worth of bytes, as one volume starting at 0.
struct Volume {
    explicit Volume(std::string b) : bytes(std::move(b)) {}
    std::string bytes;
    size_t at = 0;
    std::vector<Seen> seen;

    WalkStop Walk(TEntryWalk& walk, int headerStrings, int64_t end = -1)
    {
        at = 0;
        const auto read = [this](std::string& into, size_t n) {
            if (bytes.size() - at < n)
                return false;
            into.replace(0, n, bytes, at, n);
            at += n;
            return true;
        };
        return walk.Volume(
            read, 0, end < 0 ? static_cast<int64_t>(bytes.size()) : end, headerStrings, [this](const WalkedEntry& e) {
                seen.push_back({e.header.name, std::string(e.content, e.contentSize), !e.refusal.empty()});
            });
    }
};

const std::string kTrailer(kTrailerLength, 'T');

TEST(EntryWalk, SkipsHeaderStringsAndHandsOutEntries)
{
    Volume v{StoredBlock("|table|") + StoredBlock("|options|") + CompressedBlock(std::string("|a.txt|1|\0one", 13)) +
             StoredBlock(std::string("|b\\c.txt*/S|2|\0two", 18)) + StoredBlock(std::string("\0headless", 9)) +
             kTrailer};
    TEntryWalk walk;
    EXPECT_EQ(v.Walk(walk, 2), WalkStop::End);
    EXPECT_EQ(v.seen, (std::vector<Seen>{{"a.txt", "one", false}, {"b\\c.txt", "two", false}}));
    EXPECT_EQ(walk.HeaderEnd(), 11 + 13);
    EXPECT_EQ(walk.RunTarget(), "b\\c.txt*/S");
    EXPECT_EQ(walk.Position(), static_cast<int64_t>(v.bytes.size() - kTrailerLength));
}

TEST(EntryWalk, RefusedEntriesAreHandedOutAsRefusedAndNeverBecomeTheRunTarget)
{
    Volume v{StoredBlock("|t|") + StoredBlock("|o|") + StoredBlock(std::string("|ok.exe*|0|\0", 12)) +
             StoredBlock(std::string("|..\\evil.exe*|0|\0x", 18)) +
             StoredBlock(std::string("|fine.txt|0|cmd.exe*|\0y", 23)) + kTrailer};
    TEntryWalk walk;
    EXPECT_EQ(v.Walk(walk, 2), WalkStop::End);
    EXPECT_EQ(v.seen, (std::vector<Seen>{{"ok.exe", "", false}, {"..\\evil.exe", "x", true}, {"fine.txt", "y", true}}));
    EXPECT_EQ(walk.RunTarget(), "ok.exe*");
}

TEST(EntryWalk, TheLinkToTheNextVolumeIsNoFile)
{
    VolumeDigest digest;
    for (size_t i = 0; i < digest.size(); ++i)
        digest[i] = static_cast<std::uint8_t>(i * 7);
    Volume linked{StoredBlock("|t|") + StoredBlock("|o|") + StoredBlock(std::string("|a|0|\0x", 7)) +
                  VolumeLinkBlock(digest) + kTrailer};
    TEntryWalk walk;
    EXPECT_EQ(linked.Walk(walk, 2), WalkStop::End);
    EXPECT_EQ(linked.seen, (std::vector<Seen>{{"a", "x", false}}));
    EXPECT_EQ(walk.NextVolume(), digest);
    // Each volume has its own: one without a link leaves none.
    Volume last{StoredBlock(std::string("|b|0|\0y", 7)) + kTrailer};
    EXPECT_EQ(last.Walk(walk, 2), WalkStop::End);
    EXPECT_FALSE(walk.NextVolume());
}

TEST(EntryWalk, StopsAtLengthsThatRunPastTheTrailerAndAtShortReads)
{
    struct Case {
        std::string bytes;
        int64_t end; // -1: the bytes' size
        WalkStop stop;
        int64_t position;
    } cases[] = {
        {BlockField(100) + "abc" + kTrailer, -1, WalkStop::BadLength, 0},
        {BlockField(INT32_MIN) + kTrailer, -1, WalkStop::BadLength, 0},
        {StoredBlock("|t|") + BlockField(-10) + "short", 200, WalkStop::Short, 7},
        {StoredBlock("|t|") + "xy", 200, WalkStop::Short, 7},
        // 74 bytes left: nothing more is a block.
        {StoredBlock("|t|") + kTrailer, -1, WalkStop::End, 7},
        {StoredBlock("|t|") + "x" + kTrailer, -1, WalkStop::BadLength, 7}, // the trailer read as a length
    };
    for (const Case& c : cases) {
        Volume v{c.bytes};
        TEntryWalk walk;
        EXPECT_EQ(v.Walk(walk, 1, c.end), c.stop) << c.position;
        EXPECT_EQ(walk.Position(), c.position);
    }
}

TEST(EntryWalk, CountsHeaderStringsOnlyInTheFirstVolume)
{
    TEntryWalk walk;
    Volume first{StoredBlock("|t|") + StoredBlock("|o|") + kTrailer};
    EXPECT_EQ(first.Walk(walk, 2), WalkStop::End);
    Volume second{StoredBlock(std::string("|x|0|\0a", 7)) + kTrailer};
    EXPECT_EQ(second.Walk(walk, 2), WalkStop::End);
    EXPECT_EQ(second.seen, (std::vector<Seen>{{"x", "a", false}}));
}

TEST(EntryWalk, DamagedCompressedEntriesStopTheWalk)
{
    const std::string header = StoredBlock("|t|"), before = StoredBlock(std::string("|a|0|\0x", 7));
    Volume v{header + before + BlockField(6) + "\x78\xDA\x01\x02\x03\x04" + StoredBlock(std::string("|b|0|\0y", 7)) +
             kTrailer};
    TEntryWalk walk;
    EXPECT_EQ(v.Walk(walk, 1), WalkStop::Damaged);
    EXPECT_EQ(walk.Error(), Z_BUF_ERROR); // the stream ends inside its first block
    EXPECT_EQ(walk.Position(), static_cast<int64_t>(header.size() + before.size()));
    // The entries before it were handed out, none after it.
    EXPECT_EQ(v.seen, (std::vector<Seen>{{"a", "x", false}}));
}

} // namespace
