#include "net/DownloadRules.h"

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
        uint32_t size, piece, unit, steps;
        bool small;
    } cases[] = {
        {1, 1, 1, 2, true},
        {5, 1, 1, 6, true},
        {19, 1, 1, 20, true},
        {25, 2, 2, 14, true},
        {1000, 100, 100, 11, true},
        {80 * 1024, 8192, 8192, 11, true},
        // Above 80 KiB: still at least ten reads, of at most 1 MiB, without the pause,
        // and at most 32 units of the bar (plus one for a remainder).
        {80 * 1024 + 1, 8192, 8192, 12, false},
        {200000, 20000, 20000, 11, false},
        {10u << 20, 1048576, 1048576, 11, false},
        {200u << 20, 1048576, (200u << 20) / 32 + 1, 33, false},
        // No content length.
        {0xFFFFFFFFu, 1048576, 0x8000000, 33, false},
    };
    for (const auto& c : cases) {
        const ReadPlan plan = PlanReads(c.size);
        EXPECT_EQ(plan.piece, c.piece) << c.size;
        EXPECT_EQ(plan.unit, c.unit) << c.size;
        EXPECT_EQ(plan.steps, c.steps) << c.size;
        EXPECT_EQ(plan.small, c.small) << c.size;
    }
}

TEST(DownloadRules, LargeFilesStepPerWholeUnitAndOnceMoreForTheRest)
{
    const uint32_t size = 200u << 20;
    const ReadPlan plan = PlanReads(size);
    EXPECT_EQ(StepsDone(plan, size, 0), 0u);
    EXPECT_EQ(StepsDone(plan, size, plan.unit - 1), 0u);
    EXPECT_EQ(StepsDone(plan, size, plan.unit), 1u);
    EXPECT_EQ(StepsDone(plan, size, size - 1), 31u);
    // The whole file: every step but the one the bar begins with.
    EXPECT_EQ(StepsDone(plan, size, size), plan.steps - 1);
    // Reading piece by piece (the largest) never skips a step: at most one per read.
    uint32_t last = 0;
    for (uint32_t done = plan.piece; done < size; done += plan.piece) {
        const uint32_t now = StepsDone(plan, size, done);
        EXPECT_LE(now - last, 1u) << done;
        last = now;
    }
}

TEST(DownloadRules, PiecesGrowOnFastLinksAndShrinkOnSlowOnes)
{
    const ReadPlan large = PlanReads(200u << 20);
    EXPECT_EQ(FirstPiece(large), kFirstPiece);
    const struct {
        uint32_t piece, elapsedMs, next;
    } cases[] = {
        {64 * 1024, 0, 128 * 1024},  {512 * 1024, 49, 1048576},   {1048576, 10, 1048576}, {64 * 1024, 50, 64 * 1024},
        {64 * 1024, 200, 64 * 1024}, {64 * 1024, 201, 32 * 1024}, {16384, 5000, 8192},    {8192, 5000, 8192},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NextPiece(large, c.piece, c.elapsedMs), c.next) << c.piece << " " << c.elapsedMs;

    // A file just above 80 KiB never reads more than a tenth, however fast the link.
    const ReadPlan tenth = PlanReads(100000);
    EXPECT_EQ(FirstPiece(tenth), 10000u);
    EXPECT_EQ(NextPiece(tenth, 10000, 0), 10000u);
    EXPECT_EQ(NextPiece(tenth, 10000, 1000), 8192u);
    // Small files keep their one chunk size.
    const ReadPlan small = PlanReads(5);
    EXPECT_EQ(FirstPiece(small), 1u);
    EXPECT_EQ(NextPiece(small, 1, 0), 1u);
    EXPECT_EQ(NextPiece(small, 1, 1000), 1u);
}

} // namespace
