#include "payload/PayloadEntry.h"

#include <gtest/gtest.h>

#include <cstring>

#include "FakeLauncher.h"

namespace {

TEST(PayloadEntry, SplitsAtTheFirstNul)
{
    struct Case {
        std::string entry;
        size_t headerLength, contentOffset;
    } cases[] = {
        {std::string("|a|1|\0xy\0z", 10), 5, 6},
        {std::string("|a|1|\0", 6), 5, 6},
        {"|a|1|", 5, 5}, // no NUL: all header, no content
        {"", 0, 0},
        {std::string("\0abc", 4), 0, 1},
    };
    for (const Case& c : cases) {
        const EntrySplit split = SplitEntry(c.entry.data(), c.entry.size());
        EXPECT_EQ(split.headerLength, c.headerLength) << c.entry;
        EXPECT_EQ(split.contentOffset, c.contentOffset) << c.entry;
    }
}

TEST(PayloadEntry, ParsesNameStampAndRunTarget)
{
    struct Case {
        std::string header, name;
        uint32_t stamp;
        std::string runTarget;
        bool stray;
    } cases[] = {
        {"|setup.ini|1234567|", "setup.ini", 1234567, "", false},
        {"|Engine.exe*|0|", "Engine.exe", 0, "Engine.exe*", false},
        {"|Engine.exe* /S /X=1|5|", "Engine.exe", 5, "Engine.exe* /S /X=1", false},
        {"|sub\\data.bin|4294967295|", "sub\\data.bin", 4294967295u, "", false},
        {"|late.txt|-1|", "late.txt", 0xFFFFFFFFu, "", false}, // signed form of a late date
        {"|big.txt|4294967296|", "big.txt", 0, "", false},     // not a 32-bit stamp
        {"|x.txt|12ab|", "x.txt", 0, "", false},
        {"|x.txt|", "x.txt", 0, "", false},
        {"|a*b*c|1|", "a", 1, "a*b*c", false},
        // A "*" outside the name field marks nothing; older readers started the whole
        // header, a path out of the work folder included.
        {"|x.txt|1|*|", "x.txt", 1, "", true},
        {"\\readme.txt\\0\\..\\..\\Windows\\System32\\cmd.exe*/c x\\", "readme.txt", 0, "", true},
        {"|Engine.exe*/S|0|*|", "Engine.exe", 0, "Engine.exe*/S", true},
        {"*a*b*", "a", 0, "", true}, // the delimiter itself
    };
    for (const Case& c : cases) {
        const EntryHeader e = ParseEntryHeader(c.header);
        EXPECT_EQ(e.name, c.name) << c.header;
        EXPECT_EQ(e.stamp, c.stamp) << c.header;
        EXPECT_EQ(e.runTarget, c.runTarget) << c.header;
        EXPECT_EQ(e.strayRunMarker, c.stray) << c.header;
        EXPECT_EQ(EntryRefusal(e).empty(), !c.stray) << c.header;
    }
}

TEST(PayloadEntry, VolumeLinksReadBackAndNothingElseIsOne)
{
    VolumeDigest digest;
    digest.fill(0xA5);
    const std::string block = VolumeLinkBlock(digest);
    ASSERT_EQ(block.size(), kVolumeLinkBlockSize);
    EXPECT_EQ(block.substr(0, 4), std::string("\xCF\xFF\xFF\xFF", 4)); // stored, 49 bytes
    const std::string entry = block.substr(4);
    EXPECT_EQ(ReadVolumeLink(entry.data(), entry.size()), digest);
    std::string longer = entry + "x", otherTag = entry, named = entry;
    otherTag[5] = 'v';
    named[0] = 'n';
    for (const std::string& e : {longer, otherTag, named, entry.substr(0, entry.size() - 1)})
        EXPECT_FALSE(ReadVolumeLink(e.data(), e.size())) << e;
}

TEST(PayloadEntry, AcceptsOnlyNamesInsideTheWorkFolder)
{
    struct Case {
        const char* name;
        bool safe;
    } cases[] = {
        {"setup.exe", true},
        {"sub\\folder/file.dat", true},
        {"00001#data.cab.002", true},
        {"name with blanks.txt", true},
        {"trailing.", true},
        {"..data", true},
        {"", false},
        {"..", false},
        {"..\\evil.exe", false},
        {"sub\\..\\..\\evil.exe", false},
        {"sub/../evil.exe", false},
        {"sub\\.\\x", false},
        {"sub\\. .\\x", false},
        {"sub\\...\\x", false},
        {"\\Windows\\evil.exe", false},
        {"/etc/passwd", false},
        {"\\\\server\\share\\x", false},
        {"C:\\evil.exe", false},
        {"C:evil.exe", false},
        {"file.txt:stream", false},
        {"sub\\", false},
        {"a\\\\b", false},
        {"CON", false},
        {"sub\\nul.txt", false},
        {"Lpt1 .log", false},
        {"COM\xB9", false},
        {"COM10", true},
        {"console.txt", true},
        {"a?b", false},
        {"tab\there", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << c.name;
}

TEST(PayloadEntry, BlockSizes)
{
    struct Case {
        int32_t length;
        int64_t size;
    } cases[] = {{0, 0}, {1, 1}, {-1, 1}, {INT32_MAX, INT32_MAX}, {-INT32_MAX, INT32_MAX}, {INT32_MIN, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(BlockSize(c.length), c.size) << c.length;
}

TEST(PayloadEntry, VolumeNames)
{
    struct Case {
        std::string first, base, second, tenth;
    } cases[] = {
        {"C:\\d\\setup.exe", "C:\\d\\setup.exe", "C:\\d\\setup.exe.002", "C:\\d\\setup.exe.010"},
        {"C:\\d\\setup.exe.001", "C:\\d\\setup.exe", "C:\\d\\setup.exe.002", "C:\\d\\setup.exe.010"},
        {"C:\\d.001\\setup.exe", "C:\\d.001\\setup.exe", "C:\\d.001\\setup.exe.002", "C:\\d.001\\setup.exe.010"},
        {"setup.001.001", "setup.001", "setup.001.002", "setup.001.010"},
    };
    for (const Case& c : cases) {
        const std::string base = VolumeBasePath(c.first);
        EXPECT_EQ(base, c.base);
        EXPECT_EQ(VolumePath(base, 2), c.second);
        EXPECT_EQ(VolumePath(base, 10), c.tenth);
    }
}

TEST(PayloadEntry, OnlyLauncherImagesCarryAnAgent)
{
    struct Case {
        const char* path;
        bool agent;
    } cases[] = {{"x\\setup.exe", true},      {"x\\SETUP.EXE", true},  {"x\\setup.Exe.001", true},
                 {"x\\setup.exe.002", false}, {"x\\setup.bin", false}, {"x\\setup.001", false}};
    for (const Case& c : cases)
        EXPECT_EQ(CanCarryAgent(c.path), c.agent) << c.path;
}

TEST(PayloadEntry, AgentImageIsImageAndHeadersPlusAnAgentTrailer)
{
    std::string image(600, 'i');
    PayloadTrailer trailer;
    std::memset(&trailer, 0xEE, sizeof trailer);
    trailer.length = 60; // as read from a shorter, older trailer
    const std::string agent = AgentImage(image, trailer);

    ASSERT_EQ(agent.size(), image.size() + 74);
    EXPECT_EQ(agent.substr(0, 252), image.substr(0, 252));
    EXPECT_EQ(agent.substr(252, 4), std::string(4, '\0'));
    EXPECT_EQ(agent.substr(256, 344), image.substr(256));
    EXPECT_EQ(agent[600 + 69], 1);
    EXPECT_EQ(agent[600 + 68], '\xEE');
    EXPECT_EQ(agent.substr(agent.size() - 4), std::string("\x4A\0\0\0", 4));

    // A damaged payload may give less than a DOS stub: nothing to zero, still no overrun.
    EXPECT_EQ(AgentImage("MZ", trailer).size(), 76u);
}

TEST(PayloadEntry, WebAgentCopyCutsExactlyTheNamedSignature)
{
    const std::string setup = FakeLauncher() + std::string(5000, 'p');
    const uint32_t end = static_cast<uint32_t>(setup.size());
    const auto signedWith = [&setup](size_t length, size_t padding, bool plus) {
        std::string file = setup;
        AppendSignature(file, length, padding, plus);
        return file;
    };
    const auto marked = [](std::string file) {
        file[file.size() - 5] = 1; // the trailer's agent byte
        return file;
    };
    // The file up to the payload's end, its security directory cleared.
    const auto cut = [&](const std::string& file, bool plus) {
        std::string copy = file.substr(0, end);
        std::memset(&copy[256 + 24 + (plus ? 108 : 92) + 4 + 4 * 8], 0, 8);
        return marked(copy);
    };
    const std::string named = signedWith(3000, 0, false);
    std::string renamed = named; // the directory's size no longer reaches the file's end
    renamed[256 + 24 + 92 + 4 + 4 * 8 + 4] = 1;
    std::string fewDirectories = named;
    fewDirectories[256 + 24 + 92] = 4;
    struct Case {
        std::string file;
        uint32_t storedEnd;
        std::optional<std::string> copy;
    } cases[] = {
        {setup, end, marked(setup)},                                                 // unsigned: nothing follows
        {named, 0, marked(named)},                                                   // no end stored
        {named, end, cut(named, false)},                                             // a short signature
        {signedWith(20000, 0, false), end, cut(signedWith(20000, 0, false), false)}, // a long one all the same
        {signedWith(12000, 5, false), end, cut(signedWith(12000, 5, false), false)}, // after its alignment
        {signedWith(12000, 0, true), end, cut(signedWith(12000, 0, true), true)},    // in a PE32+ header
        {signedWith(3000, 8, false), end, std::nullopt},                             // more than alignment between
        {setup + std::string(3000, 'S'), end, std::nullopt},                         // bytes nothing names
        {named + "x", end, std::nullopt},                                            // more after the signature
        {renamed, end, std::nullopt},                                                // a size that ends elsewhere
        {fewDirectories, end, std::nullopt},                                         // no security directory
        {named, end + 1, std::nullopt},                                              // a signature inside the payload
        {"MZ" + std::string(300, 'x'), 100, std::nullopt},                           // no PE header
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT_TRUE(WebAgentCopy(cases[i].file, cases[i].storedEnd) == cases[i].copy) << i;
}

TEST(PayloadEntry, ProgressEndsFullForAnyFileCount)
{
    struct Case {
        uint32_t files;
        int maximum;
    } cases[] = {{0, 0}, {1, 1}, {65535, 65535}, {65536, 32768}, {70000, 35000}, {131071, 43690}, {4294967295u, 65535}};
    for (const Case& c : cases) {
        TFileProgress progress(c.files);
        EXPECT_EQ(progress.Maximum(), c.maximum) << c.files;
        if (c.files > 200000)
            continue;
        int steps = 0;
        for (uint32_t i = 0; i < c.files; ++i)
            steps += progress.CountFile();
        EXPECT_EQ(steps, c.maximum) << c.files;
    }
}

TEST(PayloadEntry, SpaceReportText)
{
    EXPECT_EQ(SpaceReportText("There is not enough space on the disk.", 1048576, 4096, 12345678901.0),
              "There is not enough space on the disk.<P>  Data Size: <T>1048576 Bytes<P>"
              "  File Size:  <T>4096 Bytes<P>  Bytes Free: <T>12345678901 Bytes");
}

} // namespace
