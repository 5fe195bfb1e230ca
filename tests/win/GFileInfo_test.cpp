#include "payload/GFileInfo.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>

namespace {

// A file whose payload holds only the given language table and an empty update list.
std::string PayloadWithTable(const std::string& name, const std::string& table, uint32_t space0, uint32_t space4)
{
    auto prefixed = [](const std::string& s) {
        const uint32_t n = static_cast<uint32_t>(s.size());
        return std::string(reinterpret_cast<const char*>(&n), 4) + s;
    };
    std::string b = "image" + prefixed(table) + prefixed("|||||");
    PayloadTrailer t;
    std::memset(&t, 0, sizeof t);
    t.headerStringCount = 2;
    t.payloadStart = 5;
    t.magic = kPayloadMagic;
    t.length = kTrailerLength;
    t.requiredSpace[0] = space0;
    for (int i = 1; i <= 8; ++i)
        t.requiredSpace[i] = space4;
    b += std::string(reinterpret_cast<const char*>(&t), sizeof t);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + name;
    std::ofstream(path, std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
    return path;
}

} // namespace

TEST(GFileInfo, OneLanguageBlockServesEveryDescriptor)
{
    ResetLanguageBlockForTest();
    const TGFileInfo only(PayloadWithTable("gfi_only.bin", "^|Dansk|s0=Hej|FontSize=big|Charset=186|^", 1, 2));
    const TGFileInfo other(PayloadWithTable("gfi_other.bin", "^|English|s0=Hi|FontName=Arial|^", 1, 2));
    // A single block is chosen whatever the user's language; the choice is process-wide.
    EXPECT_EQ(only.LocalizedText("s0", "d"), "Hej");
    EXPECT_EQ(other.LocalizedText("s0", "d"), "Hej");
    EXPECT_EQ(other.FontName(), "Tahoma");
    EXPECT_EQ(other.FontSize(), 8); // not numeric
    EXPECT_EQ(other.Charset(), 186);

    ResetLanguageBlockForTest();
    const TGFileInfo none(PayloadWithTable("gfi_none.bin", "|", 1, 2));
    EXPECT_EQ(none.LocalizedText("s0", "Kalvex Installation Suite"), "Kalvex Installation Suite");
    EXPECT_EQ(none.FontName(), "Tahoma");
    EXPECT_EQ(none.FontSize(), 8);
    EXPECT_EQ(none.Charset(), 0);
    // The empty selection sticks for the process, even for a descriptor with texts.
    EXPECT_EQ(other.LocalizedText("s0", "d"), "d");
    ResetLanguageBlockForTest();
}

TEST(GFileInfo, RequiredSpaceByTheDrivesClusterSize)
{
    const TGFileInfo info(PayloadWithTable("gfi_space.bin", "|", 111, 222));
    EXPECT_EQ(info.RequiredSpace("C:\\somewhere\\deep"), 222.0); // C: has clusters of 512 bytes or more
    EXPECT_EQ(info.RequiredSpace("Q:\\"), 111.0);                // no such drive: cluster size unknown
}
