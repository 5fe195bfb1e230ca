#include "agent/DownloadRules.h"

#include <gtest/gtest.h>

namespace {

TEST(DownloadRules, UrlGetsHttpOnlyWhenItNamesNoScheme)
{
    const struct {
        const char* given;
        const char* opened;
    } cases[] = {
        {"127.0.0.1/a/setup.exe", "http://127.0.0.1/a/setup.exe"},
        {"http://h/setup.exe", "http://h/setup.exe"},
        {"HTTP://h/setup.exe", "HTTP://h/setup.exe"},
        {"https://h/setup.exe", "https://h/setup.exe"},
        {"HttpS://h/setup.exe", "HttpS://h/setup.exe"},
        // Only a leading https:// counts as a scheme.
        {"h/https://x", "http://h/https://x"},
        {"proxy/?u=http://h/x", "proxy/?u=http://h/x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DownloadUrlFor(c.given), c.opened) << c.given;
}

TEST(DownloadRules, DisplayNameIsTheLastPathComponent)
{
    EXPECT_EQ(DownloadDisplayName("http://h:8080/dir/sub/setup.exe"), "setup.exe");
    EXPECT_EQ(DownloadDisplayName("C:\\dir/x\\web.exe"), "web.exe");
    EXPECT_EQ(DownloadDisplayName("plain"), "plain");
    EXPECT_EQ(DownloadDisplayName("http://h/dir/"), "");
}

TEST(DownloadRules, PartialFileIsNamedFromSizeAndDateModulo32Bits)
{
    EXPECT_EQ(PartialFileName("C:\\T\\update.exe", 5, 0), "C:\\T\\update.exe.5");
    EXPECT_EQ(PartialFileName("x", 200000, 0x5A8B1234u), "x.1519263604");
    // No content length (4294967295) plus a date wraps round.
    EXPECT_EQ(PartialFileName("x", 0xFFFFFFFFu, 10), "x.9");
}

TEST(DownloadRules, SmallFilesKeepTheirChunkAndStepsLargeOnesReadMore)
{
    const struct {
        uint32_t size, piece, steps;
        bool pause;
    } cases[] = {
        {1, 1, 2, true},
        {5, 1, 6, true},
        {19, 1, 20, true},
        {25, 2, 14, true},
        {1000, 100, 11, true},
        {80 * 1024, 8192, 11, true},
        // Above 80 KiB: still at least ten reads, of at most 256 KiB, without the pause.
        {80 * 1024 + 1, 8192, 12, false},
        {200000, 20000, 11, false},
        {200u << 20, 256 * 1024, 801, false},
        // No content length.
        {0xFFFFFFFFu, 256 * 1024, 16385, false},
    };
    for (const auto& c : cases) {
        const ReadPlan plan = PlanReads(c.size);
        EXPECT_EQ(plan.piece, c.piece) << c.size;
        EXPECT_EQ(plan.steps, c.steps) << c.size;
        EXPECT_EQ(plan.pause, c.pause) << c.size;
    }
}

} // namespace
