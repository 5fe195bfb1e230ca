#include "agent/UpdateDecision.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kNow = 4000000000; // 2026 in seconds since 1899
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

// A release that passes every test: installed 11, release 12 with a new stamp, 1000 bytes.
ReleaseFacts Applicable()
{
    ReleaseFacts f;
    f.infoFetched = true;
    f.now = kNow;
    f.versionOriginal = 11;
    f.originalStamp = 7;
    f.versionNew = 12;
    f.infoStamp = 8;
    f.downloadUrl = "http://127.0.0.1/upd";
    f.nameOfUpdateFile = "product-12.exe";
    f.nameOfInformFile = "news.txt";
    f.sizeOfUpdateFile = 1000;
    f.sizeOfInformFile = 300;
    return f;
}

TEST(UpdateDecision, StepTable)
{
    struct Case {
        const char* what;
        std::function<void(ReleaseFacts&)> change;
        std::int64_t foundSize; // what the size lookup answers
        int step;
    };
    const std::int64_t over32 = std::int64_t{1} << 32;
    const std::vector<Case> cases = {
        {"applicable", [](ReleaseFacts&) {}, 1000, 6},
        {"info not fetched", [](ReleaseFacts& f) { f.infoFetched = false; }, 1000, 0},
        {"no installed version", [](ReleaseFacts& f) { f.versionOriginal = 0; }, 1000, 1},
        {"negative installed version", [](ReleaseFacts& f) { f.versionOriginal = -3; }, 1000, 1},
        {"installed version past 32 bits", [&](ReleaseFacts& f) { f.versionOriginal = over32 + 11; }, 1000, 1},
        {"same stamp, re-ask 0", [](ReleaseFacts& f) { f.infoStamp = 7; }, 1000, 2},
        {"same stamp, interactive", [](ReleaseFacts& f) { f.infoStamp = 7, f.interactive = true; }, 1000, 6},
        {"same stamp, re-ask due",
         [](ReleaseFacts& f) { f.infoStamp = 7, f.reAskSecondsInterval = 3600, f.reAskSecondsLast = kNow - 3601; },
         1000, 6},
        {"same stamp, re-ask just now",
         [](ReleaseFacts& f) { f.infoStamp = 7, f.reAskSecondsInterval = 3600, f.reAskSecondsLast = kNow - 3600; },
         1000, 2},
        {"same stamp, negative re-ask",
         [](ReleaseFacts& f) { f.infoStamp = 7, f.reAskSecondsInterval = -3600, f.reAskSecondsLast = 0; }, 1000, 2},
        {"same stamp, re-ask sum overflows",
         [](ReleaseFacts& f) { f.infoStamp = 7, f.reAskSecondsInterval = kMax64, f.reAskSecondsLast = kNow; }, 1000, 2},
        {"equal versions", [](ReleaseFacts& f) { f.versionNew = 11; }, 1000, 3},
        {"release version 0", [](ReleaseFacts& f) { f.versionNew = 0; }, 1000, 3},
        // Cut to 32 bits it would read 12, higher than 11.
        {"release version past 32 bits", [&](ReleaseFacts& f) { f.versionNew = over32 + 12; }, 1000, 3},
        {"valid for 1,2 against 12",
         [](ReleaseFacts& f) { f.versionOriginal = 12, f.versionNew = 13, f.validVersions = "1,2"; }, 1000, 4},
        {"valid for 3,11,5", [](ReleaseFacts& f) { f.validVersions = "3,11,5"; }, 1000, 6},
        {"valid for 111", [](ReleaseFacts& f) { f.validVersions = "111"; }, 1000, 4},
        {"valid for 11 with a blank", [](ReleaseFacts& f) { f.validVersions = "3, 11"; }, 1000, 4},
        // As long as the longest value a description file gives: it may have been cut.
        {"huge valid list", [](ReleaseFacts& f) { f.validVersions = "11," + std::string(10237, '9'); }, 1000, 4},
        {"size 1099 against 1000", [](ReleaseFacts&) {}, 1099, 6},
        {"size 1100 against 1000", [](ReleaseFacts&) {}, 1100, 5},
        {"size 901 against 1000", [](ReleaseFacts&) {}, 901, 6},
        {"size 900 against 1000", [](ReleaseFacts&) {}, 900, 5},
        {"file not found", [](ReleaseFacts&) {}, -1, 5},
        // -1 for "not found" is within 100 of both.
        {"negative size, file not found", [](ReleaseFacts& f) { f.sizeOfUpdateFile = -5; }, -1, 5},
        {"no size, file not found", [](ReleaseFacts& f) { f.sizeOfUpdateFile = 0; }, -1, 5},
        {"negative size, small file", [](ReleaseFacts& f) { f.sizeOfUpdateFile = -50; }, 20, 5},
        {"smallest size", [](ReleaseFacts& f) { f.sizeOfUpdateFile = std::numeric_limits<std::int64_t>::min(); },
         kMax64, 5},
        {"announcement uses the inform file's size", [](ReleaseFacts& f) { f.autoInform = true; }, 350, 6},
        {"announcement, update size only", [](ReleaseFacts& f) { f.autoInform = true; }, 1000, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReleaseFacts facts = Applicable();
        c.change(facts);
        int lookups = 0;
        const Decision d = DecideUpdate(facts, [&](const SizeProbe&) {
            ++lookups;
            return c.foundSize;
        });
        EXPECT_EQ(d.step, c.step);
        EXPECT_EQ(d.ok(), c.step == 6);
        EXPECT_EQ(d.text, DecisionStepText(c.step));
        // The size is asked for only when everything before it passed.
        EXPECT_EQ(lookups, c.step >= 5 ? 1 : 0);
    }
}

TEST(UpdateDecision, StepTexts)
{
    EXPECT_EQ(DecisionStepText(0), "Error downloading .INFO file");
    EXPECT_EQ(DecisionStepText(1), "Error reading .ORIGINAL file");
    EXPECT_EQ(DecisionStepText(2), "Too early for retesting");
    EXPECT_EQ(DecisionStepText(3), "New version is not higher then old version");
    EXPECT_EQ(DecisionStepText(4), "\"Valid for version\" mismatch");
    EXPECT_EQ(DecisionStepText(5), "Download file size error");
    EXPECT_EQ(DecisionStepText(6), "OK");
}

TEST(UpdateDecision, SizeIsLookedForWhereTheFileWouldComeFrom)
{
    ReleaseFacts f = Applicable();
    f.nameOfUpdateFile = "sub\\dir/product-12.exe";
    SizeProbe p = SizeProbeFor(f);
    EXPECT_EQ(p.expected, 1000);
    EXPECT_EQ(p.name, "product-12.exe");
    EXPECT_EQ(p.folderPath, "http://127.0.0.1/upd\\product-12.exe");
    EXPECT_EQ(p.url, "http://127.0.0.1/upd/product-12.exe");
    EXPECT_TRUE(p.httpAllowed);

    // Test mode: the test folder replaces the server, and never over HTTP.
    f.autoInform = true;
    f.testMode = true;
    f.testUrl = "C:\\Test";
    p = SizeProbeFor(f);
    EXPECT_EQ(p.expected, 300);
    EXPECT_EQ(p.folderPath, "C:\\Test\\news.txt");
    EXPECT_FALSE(p.httpAllowed);
}

TEST(UpdateDecision, ServerNamesThatAreNoBareNamesAreNeverLookedUp)
{
    for (const char* name : {"", "..", "dir\\", "CON", "nul.exe", "COM1", "lpt9.txt", "dir\\..", "*.exe"}) {
        SCOPED_TRACE(name);
        ReleaseFacts f = Applicable();
        f.nameOfUpdateFile = name;
        bool looked = false;
        const Decision d = DecideUpdate(f, [&](const SizeProbe&) {
            looked = true;
            return std::int64_t{1000};
        });
        EXPECT_EQ(d.step, 5);
        EXPECT_FALSE(looked);
    }
}

} // namespace
