#include "payload/PayloadTrailer.h"

#include <cstring>

#include "TestFiles.h"
#include "payload/FileReader.h"

namespace {

// A 74-byte trailer with recognisable fields, cut or padded to `length` bytes with the
// length field at its end.
std::string TrailerBytes(uint32_t length, uint8_t headerCount = 3)
{
    PayloadTrailer t;
    std::memset(&t, 0, sizeof t);
    t.formatByte = 1;
    t.headerStringCount = headerCount;
    t.payloadStart = 1000;
    t.filesCount = 7;
    t.magic = kPayloadMagic;
    t.checksum = 0xCAFE;
    for (int i = 0; i < 9; ++i)
        t.requiredSpace[i] = 100 + i;
    t.flags = 0x1F;
    t.webDownload = 2;
    t.confirmDownload = 3;
    t.writeUpdateAgent = 4;
    t.isUpdateAgent = 5;
    std::string bytes(reinterpret_cast<const char*>(&t), 70);
    bytes.resize(length - 4, '\0');
    PutU32(bytes, length - 4, length);
    return bytes;
}

std::string Executable(size_t size, uint64_t storedEnd)
{
    std::string b(size, '\0');
    b[0] = 'M', b[1] = 'Z', b[256] = 'P', b[257] = 'E';
    PutU32(b, 248, static_cast<uint32_t>(storedEnd >> 32));
    PutU32(b, 252, static_cast<uint32_t>(storedEnd));
    return b;
}

} // namespace

TEST(Trailer, LocatedAndReadAsFarAsItGoes)
{
    struct Case {
        const char* name;
        std::string bytes;
        uint32_t magic, filesCount, flags, isAgent, length, headerCount;
    };
    const std::string image = Executable(600, 0);
    std::string signedExe = Executable(600, 600 + 74) + TrailerBytes(74) + std::string(300, '\x55');
    const Case cases[] = {
        {"plain file", "junk" + TrailerBytes(74), kPayloadMagic, 7, 0x1F, 5, 74, 3},
        {"launcher without stored end", image + TrailerBytes(74), kPayloadMagic, 7, 0x1F, 5, 74, 3},
        {"stored end before a certificate", signedExe, kPayloadMagic, 7, 0x1F, 5, 74, 3},
        // Older trailers: everything from offset length-4 on stays zero.
        {"short trailer of 60", "junk" + TrailerBytes(60), kPayloadMagic, 7, 0, 0, 60, 3},
        {"trailer of 16 ends before the magic", "junk" + TrailerBytes(16), 0, 7, 0, 0, 16, 3},
        {"longer trailer of 90", "junk" + TrailerBytes(90), kPayloadMagic, 7, 0x1F, 5, 74, 3},
        {"header count 0 reads as 2", "junk" + TrailerBytes(74, 0), kPayloadMagic, 7, 0x1F, 5, 74, 2},
        {"length larger than the file", std::string("ab") + TrailerBytes(74).substr(0, 70) + "\xFF\0\0\0", 0, 0, 0, 0,
         74, 2},
        {"stored end beyond the file", Executable(600, 100000) + TrailerBytes(74), 0, 0, 0, 0, 0, 2},
        {"file shorter than a length", "ab", 0, 0, 0, 0, 0, 2},
        {"empty file", "", 0, 0, 0, 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TestPath("t");
        WriteBytes(path, c.bytes);
        const PayloadTrailer t = ReadTrailer(path);
        // Copies: a reference to a field of the packed record may be misaligned.
        EXPECT_EQ(uint32_t{t.magic}, c.magic);
        EXPECT_EQ(uint32_t{t.filesCount}, c.filesCount);
        EXPECT_EQ(t.flags, c.flags);
        EXPECT_EQ(t.isUpdateAgent, c.isAgent);
        EXPECT_EQ(uint32_t{t.length}, c.length);
        EXPECT_EQ(t.headerStringCount, c.headerCount);
    }
    const PayloadTrailer missing = ReadTrailer(TestPath("missing"));
    EXPECT_EQ(uint32_t{missing.magic}, 0u);
    EXPECT_EQ(missing.headerStringCount, 2);
}

TEST(Trailer, ExecutableMarkerAndStoredEnd)
{
    struct Case {
        std::string bytes;
        bool executable;
        int64_t storedEnd, effectiveEnd;
    };
    std::string noPe = Executable(600, 0);
    noPe[257] = 'X';
    const Case cases[] = {
        {Executable(600, 0), true, 0, 600},
        {Executable(600, 500), true, 500, 500},
        {Executable(600, 0x100000200ull), true, 0x100000200ll, 0x100000200ll},
        {noPe, false, 0, 600},
        {std::string(200, 'M'), false, 0, 200},
    };
    for (const Case& c : cases) {
        const std::string path = TestPath("x");
        WriteBytes(path, c.bytes);
        TFileReader file(path);
        EXPECT_EQ(IsExecutable(file), c.executable);
        if (c.executable) {
            EXPECT_EQ(StoredPayloadEnd(file), c.storedEnd);
        }
        EXPECT_EQ(EffectivePayloadEnd(file), c.effectiveEnd);
    }
}

TEST(Checksum, SumsWordsUpToEightBytesBeforeTheTrailer)
{
    // Region before the trailer: 8192 bytes of zeros with a few marked words.
    std::string plain(8192, '\0');
    PutU32(plain, 0, 1);
    PutU32(plain, 8180, 0x100);  // last word inside the sum
    PutU32(plain, 8184, 0x1000); // the last 8 bytes are outside
    PutU32(plain, 8188, 0x2000);
    plain += TrailerBytes(74);
    // The first full piece leaves more than 4 bytes to go, which adds 1234 once.
    const uint32_t plainSum = 1 + 0x100 + 1234;

    // Stored end: summing starts at 512 and stops 8 bytes before the trailer at the stored
    // end; the headers below 512 and the block after the payload are outside.
    std::string exe = Executable(1024, 1024 + 74);
    PutU32(exe, 300, 0x7000);
    PutU32(exe, 600, 0x10);
    PutU32(exe, 1012, 0x20);
    PutU32(exe, 1016, 0x40000);
    exe += TrailerBytes(74) + std::string(100, '\x77');

    struct Case {
        const char* name;
        std::string bytes;
        uint32_t length, expected;
    };
    const Case cases[] = {
        {"plain", plain, 74, plainSum},
        {"stored end", exe, 74, 0x10 + 0x20},
        {"length above 74 counts as 74", plain, 200, plainSum},
        {"empty file", "", 74, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TestPath("c");
        WriteBytes(path, c.bytes);
        EXPECT_EQ(PayloadChecksum(path, c.length), c.expected);
    }
}

TEST(Checksum, FilesAbove50MiBAreNotSummed)
{
    const std::string path = TestPath("big");
    std::string zeros(kChecksumLimit, '\0');
    WriteBytes(path, zeros);
    // 12800 full pieces; after each but the last more than 4 bytes remain.
    EXPECT_EQ(PayloadChecksum(path, 74), 12799u * 1234u);
    zeros.push_back('\0');
    WriteBytes(path, zeros);
    EXPECT_EQ(PayloadChecksum(path, 74), kNoChecksum);
}

TEST(Checksum, PassRule)
{
    EXPECT_TRUE(ChecksumPasses(5, 5));
    EXPECT_TRUE(ChecksumPasses(kNoChecksum, 5));
    EXPECT_TRUE(ChecksumPasses(5, kNoChecksum));
    EXPECT_FALSE(ChecksumPasses(5, 6));
}

TEST(Trailer, RequiredSpaceIndexByClusterSize)
{
    const std::pair<uint64_t, int> cases[] = {{0, 0},    {511, 0},   {512, 1},   {1023, 1},   {1024, 2},
                                              {4096, 4}, {32768, 7}, {65536, 8}, {1 << 20, 8}};
    for (auto [cluster, index] : cases)
        EXPECT_EQ(RequiredSpaceIndex(cluster), index) << cluster;
}

TEST(FileReader, RefusesRangesOutsideTheFile)
{
    const std::string path = TestPath("r");
    WriteBytes(path, "0123456789");
    TFileReader file(path);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 10);
    std::string out;
    struct Case {
        int64_t offset;
        size_t n;
        bool ok;
        const char* text;
    };
    const Case cases[] = {{0, 10, true, "0123456789"}, {8, 2, true, "89"}, {10, 0, true, ""},       {8, 3, false, ""},
                          {-1, 1, false, ""},          {11, 0, false, ""}, {4, SIZE_MAX, false, ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(file.ReadAt(c.offset, c.n, out), c.ok) << c.offset << "+" << c.n;
        EXPECT_EQ(out, c.text);
    }
    char buf[8];
    EXPECT_EQ(file.ReadSome(6, buf, sizeof buf), 4u);
    EXPECT_FALSE(TFileReader(TestPath("missing")).IsOpen());
}
