#include <gtest/gtest.h>

#include <filesystem>

#include "Branding.h"
#include "FakeLauncher.h"
#include "Manifest.h"
#include "PayloadWriter.h"
#include "PeImage.h"
#include "ResourceTree.h"
#include "TestFiles.h"

namespace fs = std::filesystem;

namespace {

uint32_t Get32(const std::string& b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

std::string U16(const std::u16string& s) { return std::string(reinterpret_cast<const char*>(s.data()), 2 * s.size()); }

Resource Make(uint16_t type, ResourceKey name, const std::string& data)
{
    return {ResourceKey::Id(type), std::move(name), 1033, 0, data};
}

const std::string kManifest = "<assembly><trustInfo><security><requestedPrivileges>"
                              "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"
                              "</requestedPrivileges></security></trustInfo></assembly>";

// What a linked launcher holds: its icon (two images and their group), version
// information, manifest, and a resource the branding does not touch.
std::vector<Resource> LauncherResources()
{
    return {Make(kRtIcon, ResourceKey::Id(1), "old icon 1"),   Make(kRtIcon, ResourceKey::Id(2), "old icon 2"),
            Make(kRtGroupIcon, {u"MAINICON", 0}, "old group"), Make(kRtVersion, ResourceKey::Id(1), "old version"),
            Make(kRtManifest, ResourceKey::Id(1), kManifest),  Make(10, {u"KEEP", 0}, "kept as it is")};
}

constexpr uint32_t kRsrcRva = 0x2000;
const std::string kRelocations = "RELOCATION BLOCKS";

// A launcher image of three sections (.text, .rsrc, .reloc) laid out as the linker does.
std::string ResourcedLauncher(bool plus)
{
    std::string b = FakeLauncher();
    const size_t optional = 280, optionalSize = plus ? 240 : 224;
    b[256 + 6] = 3; // sections
    b[256 + 20] = static_cast<char>(optionalSize);
    b[optional + 1] = plus ? 0x02 : 0x01;        // 0x20B or 0x10B
    PutU32(b, optional + 32, 0x1000);            // section alignment
    PutU32(b, optional + 36, 0x200);             // file alignment
    PutU32(b, optional + 60, 1024);              // size of headers
    PutU32(b, optional + (plus ? 108 : 92), 16); // directories
    const size_t dirs = optional + (plus ? 112 : 96), table = optional + optionalSize;
    const std::string rsrc = WriteResources(LauncherResources(), kRsrcRva);
    const uint32_t rsrcRaw = (static_cast<uint32_t>(rsrc.size()) + 511) / 512 * 512;
    const uint32_t relocRva = kRsrcRva + (static_cast<uint32_t>(rsrc.size()) + 0xFFF) / 0x1000 * 0x1000;
    struct {
        const char* name;
        uint32_t virtualSize, rva, rawSize, raw;
    } sections[] = {{".text", 16, 0x1000, 512, 1024},
                    {".rsrc", static_cast<uint32_t>(rsrc.size()), kRsrcRva, rsrcRaw, 1536},
                    {".reloc", static_cast<uint32_t>(kRelocations.size()), relocRva, 512, 1536 + rsrcRaw}};
    for (size_t i = 0; i < 3; ++i) {
        const size_t at = table + 40 * i;
        b.replace(at, std::string(sections[i].name).size(), sections[i].name);
        PutU32(b, at + 8, sections[i].virtualSize);
        PutU32(b, at + 12, sections[i].rva);
        PutU32(b, at + 16, sections[i].rawSize);
        PutU32(b, at + 20, sections[i].raw);
    }
    PutU32(b, dirs + 16, kRsrcRva);
    PutU32(b, dirs + 20, static_cast<uint32_t>(rsrc.size()));
    PutU32(b, dirs + 40, relocRva);
    PutU32(b, dirs + 44, static_cast<uint32_t>(kRelocations.size()));
    PutU32(b, optional + 56, relocRva + 0x1000);
    b += std::string(512, 'T') + rsrc + std::string(rsrcRaw - rsrc.size(), '\0');
    b += kRelocations + std::string(512 - kRelocations.size(), '\0');
    return b;
}

class BrandingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = TestPath("dir");
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        WriteBytes(dir_ + "/launcher.exe", ResourcedLauncher(false));
        WriteBytes(dir_ + "/launcher64.exe", ResourcedLauncher(true));
        WriteBytes(dir_ + "/fake.exe", FakeLauncher());
        // Two images: a bitmap (its 40-byte header) and a PNG.
        bitmap_ = std::string("\x28\0\0\0", 4) + std::string(60, 'b');
        png_ = "\x89PNG" + std::string(30, 'p');
        std::string ico("\0\0\1\0\2\0", 6);
        ico += std::string("\x20\x20\0\0\1\0\x20\0", 8) + std::string(8, '\0');
        ico += std::string("\0\0\0\0\1\0\x20\0", 8) + std::string(8, '\0');
        PutU32(ico, 6 + 8, static_cast<uint32_t>(bitmap_.size()));
        PutU32(ico, 6 + 12, 38);
        PutU32(ico, 22 + 8, static_cast<uint32_t>(png_.size()));
        PutU32(ico, 22 + 12, static_cast<uint32_t>(38 + bitmap_.size()));
        ico_ = ico + bitmap_ + png_;
        WriteBytes(dir_ + "/product.ico", ico_);
    }

    BuildPlan Plan(const std::string& branding, const std::string& launcher = "launcher.exe")
    {
        WriteBytes(dir_ + "/m.ini", "[Setup]\nLauncher=" + launcher + "\nOutput=out/setup.exe\nRunsNothing=1\n" +
                                        "[Branding]\n" + branding);
        return ReadManifest(dir_ + "/m.ini");
    }

    std::string Refusal(const std::string& branding, const std::string& launcher = "launcher.exe")
    {
        try {
            WritePayload(Plan(branding, launcher));
        } catch (const ManifestError& e) {
            return e.what();
        }
        return "accepted";
    }

    std::string dir_, bitmap_, png_, ico_;
};

const char* kEverything = "Icon=product.ico\nProductName=Acme \xC2\xAE Widgets\nCompanyName=Acme Ltd.\n"
                          "FileDescription=Acme setup\nFileVersion=4.5\nProductVersion=4.5.6.7\n"
                          "LegalCopyright=(c) Acme\nExecutionLevel=requireadministrator\n";

} // namespace

TEST_F(BrandingTest, ReplacesWhatItNamesAndKeepsTheImageALauncher)
{
    for (const char* launcher : {"launcher.exe", "launcher64.exe"}) {
        SCOPED_TRACE(launcher);
        const std::string before = ReadBytes(dir_ + "/" + launcher);
        const std::string after = BrandImage(before, Plan(kEverything, launcher).branding, "setup.exe");
        EXPECT_EQ(LauncherImageProblem(after), "");
        EXPECT_EQ(after.substr(0, 256), before.substr(0, 256));

        ResourceSection section;
        ASSERT_EQ(FindResourceSection(after, section), "");
        EXPECT_EQ(section.rva, kRsrcRva);
        std::vector<Resource> got;
        ASSERT_EQ(ReadResources(section, got), "");
        std::vector<std::string> kinds;
        for (const Resource& r : got)
            kinds.push_back(std::to_string(r.type.id) + ":" + std::string(r.name.name.begin(), r.name.name.end()) +
                            std::to_string(r.name.id));
        // Named entries before ids at every level, as the loader's search needs.
        EXPECT_EQ(kinds, (std::vector<std::string>{"3:1", "3:2", "10:KEEP0", "14:MAINICON0", "16:1", "24:1"}));
        EXPECT_EQ(got[0].data, bitmap_);
        EXPECT_EQ(got[1].data, png_);
        EXPECT_EQ(got[2].data, "kept as it is");
        // The group is the file's directory with ids in place of offsets.
        EXPECT_EQ(got[3].data, ico_.substr(0, 6) + ico_.substr(6, 12) + std::string("\1\0", 2) + ico_.substr(22, 12) +
                                   std::string("\2\0", 2));
        for (const std::u16string text : {u"Acme \u00AE Widgets", u"4.5.6.7", u"OriginalFilename", u"setup.exe"})
            EXPECT_NE(got[4].data.find(U16(text)), std::string::npos);
        EXPECT_EQ(Get32(got[4].data, got[4].data.find(std::string("\xBD\x04\xEF\xFE", 4)) + 8), 0x00040005u);
        EXPECT_NE(got[5].data.find("level=\"requireAdministrator\" uiAccess"), std::string::npos);

        // The relocations moved behind the resources as they were, and the headers say so.
        const size_t dirs = 280 + (launcher == std::string("launcher.exe") ? 96 : 112);
        const size_t relocTable = 280 + (launcher == std::string("launcher.exe") ? 224 : 240) + 80;
        EXPECT_EQ(Get32(after, dirs + 40), Get32(after, relocTable + 12));
        EXPECT_EQ(Get32(after, dirs + 40) % 0x1000, 0u);
        EXPECT_GE(Get32(after, dirs + 40), kRsrcRva + section.bytes.size());
        EXPECT_EQ(after.substr(Get32(after, relocTable + 20), kRelocations.size()), kRelocations);
        EXPECT_EQ(Get32(after, 280 + 56), Get32(after, dirs + 40) + 0x1000);
        EXPECT_EQ(after.size(), Get32(after, relocTable + 20) + 512u);
    }
}

TEST_F(BrandingTest, WithoutBrandingTheLauncherIsCopiedAsItIs)
{
    const std::string launcher = ReadBytes(dir_ + "/launcher.exe");
    EXPECT_EQ(BrandImage(launcher, Plan("").branding, "setup.exe"), launcher);
}

TEST_F(BrandingTest, RefusalsNameTheKey)
{
    WriteBytes(dir_ + "/text.ico", "not an icon at all");
    std::string outside = ico_;
    PutU32(outside, 6 + 12, 5000);
    WriteBytes(dir_ + "/outside.ico", outside);
    std::string jpeg = ico_;
    jpeg[38] = '\xFF';
    WriteBytes(dir_ + "/jpeg.ico", jpeg);
    const std::pair<std::string, std::string> cases[] = {
        {"Icon=missing.ico\n", "[Branding] Icon: the file"},
        {"Icon=text.ico\n", "text.ico: not an icon file"},
        {"Icon=outside.ico\n", "image 1 of the icon file lies outside it"},
        {"Icon=jpeg.ico\n", "image 1 of the icon file is neither a bitmap nor a PNG"},
        {"FileVersion=1.2.3.4.5\n", "[Branding] FileVersion: expected up to four numbers"},
        {"ProductVersion=1.65536\n", "[Branding] ProductVersion: expected up to four numbers"},
        {"FileVersion=v1\n", "[Branding] FileVersion: expected"},
        {"FileVersion=1.\n", "[Branding] FileVersion: expected"},
        {"ProductName=caf\xE9\n", "[Branding] ProductName: must be UTF-8"},
        {"CompanyName=" + std::string(1001, 'c') + "\n", "[Branding] CompanyName: is longer than 1000"},
        {"ExecutionLevel=admin\n", "[Branding] ExecutionLevel: expected asInvoker"},
        {"Colour=red\n", "[Branding] Colour: unknown key"},
    };
    for (const auto& [body, message] : cases)
        EXPECT_NE(Refusal(body).find(message), std::string::npos) << body << " -> " << Refusal(body);
    EXPECT_NE(Refusal("ProductName=x\n", "fake.exe")
                  .find("[Branding]: the launcher's resources cannot be replaced: "
                        "it has no resources"),
              std::string::npos);
    EXPECT_EQ(Refusal("ProductName=x\n"), "accepted");
}

TEST(VersionNumber, TextsAndNumbers)
{
    const std::pair<const char*, VersionNumber> good[] = {
        {"1", {1, 0, 0, 0}}, {"1.2", {1, 2, 0, 0}}, {"0.0.0.0", {0, 0, 0, 0}}, {"65535.1.2.3", {65535, 1, 2, 3}}};
    for (const auto& [text, number] : good) {
        VersionNumber got;
        EXPECT_TRUE(ParseVersionNumber(text, got)) << text;
        EXPECT_EQ(got, number) << text;
    }
    for (const char* bad : {"", ".", "1..2", "1.2.3.4.5", "65536", "1.-2", "1.2 ", " 1", "1,2", "99999999999"}) {
        VersionNumber got;
        EXPECT_FALSE(ParseVersionNumber(bad, got)) << bad;
    }
}

TEST(Utf8, ToUtf16)
{
    std::u16string out;
    EXPECT_TRUE(Utf8ToUtf16("A\xC2\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", out));
    EXPECT_EQ(out, u"A\u00A9\u20AC\U0001F600");
    // Bytes of another code page, overlong forms, surrogates, a cut sequence.
    for (const char* bad : {"\xE9", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(Utf8ToUtf16(bad, out)) << bad;
}
