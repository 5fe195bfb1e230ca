#include "payload/GFileInfo.h"

#include <cstring>

#include "TestFiles.h"
#include "payload/Token.h"
#include "trust/PublicKey.h"

namespace {

std::string Prefixed(const std::string& s)
{
    std::string b;
    PutU32(b, 0, static_cast<uint32_t>(s.size()));
    return b + s;
}

// "image" + header strings + one fake entry + trailer.
std::string Payload(const std::vector<std::string>& strings, uint8_t count, uint32_t magic = kPayloadMagic)
{
    std::string b = "image-bytes";
    const size_t start = b.size();
    for (const std::string& s : strings)
        b += Prefixed(s);
    b += Prefixed("entry");
    PayloadTrailer t;
    std::memset(&t, 0, sizeof t);
    t.headerStringCount = count;
    t.payloadStart = static_cast<int32_t>(start);
    t.magic = magic;
    t.length = kTrailerLength;
    return b + std::string(reinterpret_cast<const char*>(&t), sizeof t);
}

TGFileInfo Descriptor(const std::string& bytes)
{
    const std::string path = TestPath("p");
    WriteBytes(path, bytes);
    return TGFileInfo(path);
}

const std::string kTable = "^|English|s0=Hi|^|German|s0=Hallo|^";
const std::string kUpdate = "|http://x/upd|dir\\prod.v2.info|agent.exe|" + ScrambleToken("up", 3) + "|1|";
const std::string kDownload = "|http://x/setup.exe|setup.exe|1|" + ScrambleToken("down", 4) + "|2097152|";

} // namespace

TEST(GFileInfo, HeaderStringsAndTheirFields)
{
    const TGFileInfo info = Descriptor(Payload({kTable, kUpdate, kDownload}, 3));
    ASSERT_TRUE(info.HasPayload());
    EXPECT_EQ(info.LanguageTable(), kTable);
    EXPECT_EQ(info.UpdateServerUrl(), "http://x/upd");
    EXPECT_EQ(info.InfoFileName(), "prod.v2.info");
    EXPECT_EQ(info.InstalledInfoName(), "prod.original");
    EXPECT_EQ(info.AgentFileName(), "agent.exe");
    EXPECT_EQ(info.UpdateToken(true), "up");
    EXPECT_EQ(info.UpdateToken(false), ScrambleToken("up", 3));
    EXPECT_TRUE(info.RunHidden());
    EXPECT_EQ(info.DownloadUrl(), "http://x/setup.exe");
    EXPECT_EQ(info.DownloadFileName(), "setup.exe");
    EXPECT_TRUE(info.AlwaysDownload());
    EXPECT_EQ(info.DownloadToken(true), "down");
    EXPECT_EQ(info.DownloadSize(), "2097152");
}

TEST(GFileInfo, PublisherKeysAndTheSetupHashAreFieldsAfterTheFive)
{
    const std::string key = std::string(64, 'A') + std::string(64, '7');
    const std::string hash(64, 'c');
    const TGFileInfo info = Descriptor(Payload({kTable, kUpdate + key + "|not a key|", kDownload + hash + "|"}, 3));
    EXPECT_EQ(info.ReleaseKey(0), key);
    EXPECT_EQ(info.ReleaseKey(1), "not a key");
    EXPECT_EQ(info.ReleaseKey(-1), "");
    EXPECT_TRUE(info.RunHidden());
    EXPECT_EQ(info.DownloadSha256(), hash);
    EXPECT_EQ(info.DownloadSize(), "2097152");
    // A key that does not read as one leaves the product keyed and marked damaged, never
    // unkeyed (which would take unsigned releases).
    const PayloadKeys keys = ReleaseKeysOf(info);
    ASSERT_EQ(keys.keys.size(), 1u);
    EXPECT_EQ(PublicKeyHex(keys.keys[0]), key);
    EXPECT_TRUE(keys.damaged);
    EXPECT_TRUE(keys.Keyed());

    const TGFileInfo plain = Descriptor(Payload({kTable, kUpdate, kDownload}, 3));
    EXPECT_EQ(plain.ReleaseKey(0), "");
    EXPECT_EQ(plain.DownloadSha256(), "");
    EXPECT_FALSE(ReleaseKeysOf(plain).Keyed());
}

TEST(GFileInfo, DamagedOrForeignFilesGiveEmptyFields)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string table, update, download;
    };
    std::string pastTrailer = Payload({kTable, kUpdate}, 2);
    PutU32(pastTrailer, 11 + 4 + kTable.size(), 500); // update options length runs into the trailer
    std::string negativeStart = Payload({kTable, kUpdate}, 2);
    PutU32(negativeStart, negativeStart.size() - 74 + 4, 0xFFFFFFF0);
    std::string hugeLength = Payload({kTable, kUpdate}, 2);
    PutU32(hugeLength, 11, 0xFFFFFFFF);
    const Case cases[] = {
        {"two strings: a third is an entry", Payload({kTable, kUpdate, kDownload}, 2), kTable, kUpdate, ""},
        {"count 0 reads as 2", Payload({kTable, kUpdate}, 0), kTable, kUpdate, ""},
        {"wrong magic", Payload({kTable, kUpdate}, 2, 0x4A3B2C1E), "", "", ""},
        {"length past the payload", pastTrailer, kTable, "", ""},
        {"negative payload start", negativeStart, "", "", ""},
        {"huge first length", hugeLength, "", "", ""},
        {"foreign file", std::string(300, 'z'), "", "", ""},
        {"empty file", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TGFileInfo info = Descriptor(c.bytes);
        EXPECT_EQ(info.LanguageTable(), c.table);
        EXPECT_EQ(info.UpdateOptions(), c.update);
        EXPECT_EQ(info.DownloadOptions(), c.download);
        if (c.update.empty()) {
            EXPECT_EQ(info.UpdateServerUrl(), "");
            EXPECT_FALSE(info.RunHidden());
        }
    }
    const TGFileInfo missing(TestPath("missing"));
    EXPECT_FALSE(missing.HasPayload());
    EXPECT_EQ(missing.FilesCount(), 0u);
    EXPECT_EQ(missing.AgentFileName(), "");
}

TEST(GFileInfo, EveryTruncationAndFlippedByteIsHandled)
{
    const std::string good = Payload({kTable, kUpdate, kDownload}, 3);
    std::vector<std::string> damaged;
    for (size_t n = 0; n < good.size(); ++n)
        damaged.push_back(good.substr(0, n));
    for (size_t i = 0; i < good.size(); ++i) {
        std::string b = good;
        b[i] = static_cast<char>(b[i] ^ 0xA5);
        damaged.push_back(b);
    }
    for (const std::string& bytes : damaged) {
        const TGFileInfo info = Descriptor(bytes);
        const size_t total = info.LanguageTable().size() + info.UpdateOptions().size() + info.DownloadOptions().size();
        EXPECT_LE(total, bytes.size());
        if (!info.HasPayload()) {
            EXPECT_EQ(total, 0u);
        }
        // Every getter answers, whatever the damage.
        info.InfoFileName(), info.InstalledInfoName(), info.UpdateToken(true), info.DownloadToken(true);
        info.RequiredSpaceForCluster(4096);
    }
}

TEST(GFileInfo, SameDownloadTokenNeedsTwoGoodEqualTokens)
{
    auto withToken = [](const std::string& stored) {
        return Descriptor(Payload({"|", "|||||", "|u|f|0|" + stored + "|1|"}, 3));
    };
    struct Case {
        const char* name;
        std::string a, b;
        bool same;
    };
    const Case cases[] = {
        {"same text, other scrambling", ScrambleToken("k", 1), ScrambleToken("k", 2), true},
        {"other text", ScrambleToken("k", 1), ScrambleToken("K", 1), false},
        {"both damaged", "bbbb", "bbbb", false},
        {"one missing", ScrambleToken("k", 1), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TGFileInfo a = withToken(c.a);
        const TGFileInfo b = withToken(c.b);
        EXPECT_EQ(a.SameDownloadToken(b), c.same);
    }
}

TEST(GFileInfo, LanguageBlockSelection)
{
    const std::string three = "^|English|s0=Hi|^| german |s0=Hallo|s1=|^|French|^";
    const std::string one = "^|Dansk|s0=Hej|^";
    struct Case {
        std::string table, language, key, def, expected;
    };
    const Case cases[] = {
        {three, "GERMAN", "s0", "d", "Hallo"}, // name ignoring case and blanks
        {three, "GERMAN", "s1", "d", ""},      // present but empty
        {three, "GERMAN", "s2", "d", "d"},     // absent
        {three, "JAPANESE", "s0", "d", "Hi"},  // several blocks: English
        {one, "JAPANESE", "s0", "d", "Hej"},   // the only block, whatever its name
        {"^|French|^|Dansk|^", "JAPANESE", "s0", "d", "d"},
        {"|", "ENGLISH", "FontName", "Tahoma", "Tahoma"},
        {"", "ENGLISH", "FontSize", "8", "8"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LanguageBlockText(SelectLanguageBlock(c.table, c.language), c.key, c.def), c.expected)
            << c.table << " " << c.language << " " << c.key;
    EXPECT_EQ(SelectLanguageBlock("|", "ENGLISH"), "*");
}
