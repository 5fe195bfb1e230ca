#include "payload/ReadAhead.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "PayloadBlocks.h"

namespace {

std::string Entry(const std::string& header, const std::string& content)
{
    return header + std::string(1, '\0') + content;
}

std::string Stored(const std::string& header, const std::string& content)
{
    return StoredBlock(Entry(header, content));
}

std::string Compressed(const std::string& header, const std::string& content)
{
    return CompressedBlock(Entry(header, content));
}

// A compressed entry of bytes that do not compress: a block larger than kLargeBlock.
std::string Large(const std::string& name)
{
    std::string noise(static_cast<size_t>(kLargeBlock) + 4096, '\0');
    uint32_t seed = 11;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return Compressed("|" + name + "|0|", noise);
}

std::string Broken(const std::string& header)
{
    std::string block = Compressed(header, std::string(3000, 'b'));
    block[block.size() / 2] ^= 0x55;
    return block;
}

const std::string kTrailer(kTrailerLength, 'T');

// A volume of blocks followed by a trailer's worth of bytes, read ahead from its first
// block.
struct Volume {
    explicit Volume(const std::vector<std::string>& blocks)
    {
        for (const std::string& b : blocks) {
            positions.push_back(static_cast<int64_t>(bytes.size()));
            bytes += b;
        }
        bytes += kTrailer;
    }
    TReadAhead Ahead() const
    {
        return TReadAhead(
            [this](int64_t offset, std::string& into, size_t n) {
                if (offset < 0 || bytes.size() - static_cast<size_t>(offset) < n)
                    return false;
                into.replace(0, n, bytes, static_cast<size_t>(offset), n);
                return true;
            },
            static_cast<int64_t>(bytes.size()));
    }
    std::string bytes;
    std::vector<int64_t> positions;
};

struct Taken {
    std::string name, content;
    int64_t position;
    bool operator==(const Taken& o) const { return name == o.name && content == o.content && position == o.position; }
};

// Hands out at most `most` entries (the room there is).
std::vector<Taken> RunAhead(TReadAhead& ahead, int64_t from, const std::set<std::string>& known = {},
                            size_t most = SIZE_MAX)
{
    std::vector<Taken> taken;
    ahead.Run(
        from, [&known](const std::string& name) { return known.count(name) != 0; },
        [&taken, most] { return taken.size() < most; },
        [&taken](const WalkedEntry& e) {
            EXPECT_TRUE(e.refusal.empty());
            EXPECT_EQ(e.content, e.buffer->data() + e.contentOffset);
            taken.push_back({e.header.name, std::string(e.content, e.contentSize), e.position});
        });
    return taken;
}

} // namespace

// Only entries whose file no block between the walk and them can touch are handed out;
// what leaves the outcome open ends the read-ahead.
TEST(ReadAhead, HandsOutOnlyFilesNothingBeforeThemTouches)
{
    struct Case {
        const char* what;
        std::vector<std::string> blocks; // after the large block the walk is at
        std::set<std::string> known;
        std::vector<std::string> taken;
    } cases[] = {
        {"new small files", {Stored("|a.txt|0|", "a"), Compressed("|sub/b.txt|9|", "bb")}, {}, {"a.txt", "sub/b.txt"}},
        {"the large entry's name and its later parts",
         {Stored("|BIG.BIN|0|", "x"), Stored("|c.txt|0|", "c")},
         {},
         {"c.txt"}},
        {"a name twice: only the first", {Stored("|d.txt|0|", "1"), Stored("|D.TXT.|0|", "2")}, {}, {"d.txt"}},
        {"a file and a folder of one name",
         {Stored("|x|0|", "f"), Stored("|X\\y.txt|0|", "g"), Stored("|f\\g.txt|0|", "h"), Stored("|F|0|", "i")},
         {},
         {"x", "f\\g.txt"}},
        {"a file the work folder has",
         {Stored("|old.txt|0|", "o"), Stored("|new.txt|0|", "n")},
         {"old.txt"},
         {"new.txt"}},
        {"refused names", {Stored("|..\\evil.txt|0|", "e"), Stored("|ok.txt|0|", "k")}, {}, {"ok.txt"}},
        {"a short alias ends it",
         {Stored("|a.txt|0|", "a"), Stored("|LONGNA~1.TXT|0|", "l"), Stored("|b.txt|0|", "b")},
         {},
         {"a.txt"}},
        {"a damaged entry ends it",
         {Stored("|a.txt|0|", "a"), Broken("|z.txt|0|"), Stored("|b.txt|0|", "b")},
         {},
         {"a.txt"}},
        {"a length past the end ends it", {Stored("|a.txt|0|", "a"), BlockField(1000000) + "zz"}, {}, {"a.txt"}},
        {"a volume link is no file", {VolumeLinkBlock(VolumeDigest{}), Stored("|a.txt|0|", "a")}, {}, {"a.txt"}},
        {"a large small-named entry stays the walk's", {Large("l.bin"), Stored("|a.txt|0|", "a")}, {}, {"a.txt"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> blocks{Large("big.bin")};
        blocks.insert(blocks.end(), c.blocks.begin(), c.blocks.end());
        const Volume volume(blocks);
        TReadAhead ahead = volume.Ahead();
        const std::vector<Taken> taken = RunAhead(ahead, 0, c.known);
        std::vector<std::string> names;
        for (const Taken& t : taken) {
            names.push_back(t.name);
            // The walk finds the header at the block's offset, once.
            const std::optional<EntryHeader> header = ahead.Taken(t.position);
            ASSERT_TRUE(header) << c.what << " " << t.name;
            EXPECT_EQ(header->name, t.name) << c.what;
            EXPECT_FALSE(ahead.Taken(t.position)) << c.what;
        }
        EXPECT_EQ(names, c.taken) << c.what;
        EXPECT_TRUE(ahead.Unreached().empty()) << c.what;
    }
}

TEST(ReadAhead, WaitsForRoomGoesOnLaterAndTellsWhatTheWalkNeverReached)
{
    const Volume volume({Large("big.bin"), Stored("|a|1|", "A"), Compressed("|b|2|", "B"), Stored("|c|3|", "C"),
                         Large("big2.bin"), Stored("|d|4|", "D"), Stored("|e|5|", "E")});
    TReadAhead ahead = volume.Ahead();
    std::vector<Taken> taken = RunAhead(ahead, 0, {}, 2);
    const std::vector<Taken> first{{"a", "A", volume.positions[1]}, {"b", "B", volume.positions[2]}};
    EXPECT_EQ(taken, first);
    // The walk has passed c meanwhile: the read-ahead goes on from the walk's block.
    taken = RunAhead(ahead, volume.positions[4]);
    const std::vector<Taken> rest{{"d", "D", volume.positions[5]}, {"e", "E", volume.positions[6]}};
    EXPECT_EQ(taken, rest);
    // The walk stops after reaching a only: the others are no files of the payload.
    EXPECT_EQ(ahead.Taken(volume.positions[1])->stamp, 1u);
    EXPECT_EQ(ahead.Unreached(), (std::vector<std::string>{"b", "d", "e"}));
    EXPECT_TRUE(ahead.Unreached().empty());
    // At the end of the volume it reads nothing more.
    EXPECT_TRUE(RunAhead(ahead, 0).empty());
}
