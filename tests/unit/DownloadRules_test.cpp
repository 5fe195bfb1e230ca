#include "net/DownloadRules.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "net/HtmlErrorPage.h"

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

TEST(DownloadRules, OnlyA404ErrorPageKeepsTheNotFoundMessageOtherStatusesAreNamed)
{
    const std::string page = "<html><head><title>404 Not Found</title></head><body>gone</body></html>";
    const std::string url = "http://h/x.info";
    EXPECT_EQ(StatusFailureText(404, url, page), HtmlNotFoundMessage(page, url, "", false));
    EXPECT_EQ(StatusFailureText(404, url, "plain text"), url + " --- HTTP 404");
    // A 500 page is an HTML page too, but no missing file.
    EXPECT_EQ(StatusFailureText(500, url, page), url + " --- HTTP 500");
    EXPECT_EQ(StatusFailureText(0, url, ""), url + " --- HTTP 0");
}

TEST(DownloadRules, LengthsAreDigitsUpTo63Bits)
{
    const struct {
        const char* text;
        std::int64_t length; // -1: refused
    } cases[] = {
        {"0", 0},
        {"1000", 1000},
        {" 3221225472 ", 3221225472},       // 3 GiB
        {"9223372036854775807", INT64_MAX}, // the largest
        {"9223372036854775808", -1},        // one past it
        {"-1", -1},
        {"+5", -1},
        {"12a", -1},
        {"", -1},
        {"1e3", -1},
    };
    for (const auto& c : cases) {
        const std::optional<std::int64_t> got = ParseContentLength(c.text);
        EXPECT_EQ(got.value_or(-1), c.length) << c.text;
    }
    EXPECT_EQ(ParseContentRangeTotal("bytes 0-0/3221225472").value_or(-1), 3221225472);
    EXPECT_EQ(ParseContentRangeTotal("BYTES 0-0/5").value_or(-1), 5);
    EXPECT_FALSE(ParseContentRangeTotal("bytes 0-0/*"));
    EXPECT_FALSE(ParseContentRangeTotal("0-0/5"));
    EXPECT_FALSE(ParseContentRangeTotal("bytes 0-0/-5"));
}

TEST(DownloadRules, ABodyIsTakenOnlyWithTheLengthItAnnouncedOrABoundTheCallerGives)
{
    const struct {
        const char* what;
        std::int64_t length, known, largest;
        bool refused;
        std::int64_t exact, most;
    } cases[] = {
        {"announced, nothing known", 1000, -1, -1, false, 1000, -1},
        {"announced as signed", 1000, 1000, -1, false, 1000, -1},
        {"announced longer than signed", 1001, 1000, -1, true, 1001, -1},
        // A shorter body may be the server's error page: read, and judged by the caller.
        {"announced shorter than signed", 999, 1000, -1, false, 999, -1},
        {"announced within the cap", 1000, -1, 1000, false, 1000, -1},
        {"announced over the cap", 1001, -1, 1000, true, 1001, -1},
        {"the smaller bound holds", 1001, 5000, 1000, true, 1001, -1},
        {"no length, signed size", -1, 3221225472, -1, false, -1, 3221225472},
        {"no length, a cap", -1, -1, 4096, false, -1, 4096},
        {"no length, no bound", -1, -1, -1, true, -1, -1},
    };
    for (const auto& c : cases) {
        const BodyLimits limits = BodyLimitsFor("x.exe", c.length, c.known, c.largest);
        EXPECT_EQ(!limits.refusal.empty(), c.refused) << c.what;
        EXPECT_EQ(limits.refusal.rfind("x.exe --- Error downloading file (", 0) == 0, c.refused) << c.what;
        EXPECT_EQ(limits.exact, c.exact) << c.what;
        EXPECT_EQ(limits.most, c.most) << c.what;
    }
}

TEST(DownloadRules, ABodyMustEndAtItsLengthAndNeverGrowPastItsBound)
{
    const BodyLimits exact = BodyLimitsFor("x", 1000, -1, -1);
    EXPECT_EQ(BodyFailure("x", exact, 999, false), "");
    EXPECT_EQ(BodyFailure("x", exact, 499, true), "x --- Error downloading file (499 of 1000 bytes arrived)");
    EXPECT_EQ(BodyFailure("x", exact, 1000, true), "");
    EXPECT_EQ(BodyFailure("x", exact, 1001, false),
              "x --- Error downloading file (more than the 1000 bytes it may have)");
    const BodyLimits capped = BodyLimitsFor("x", -1, -1, 4096);
    EXPECT_EQ(BodyFailure("x", capped, 10, true), "");
    EXPECT_EQ(BodyFailure("x", capped, 4096, true), "");
    EXPECT_NE(BodyFailure("x", capped, 4097, false), "");
    // 64-bit: a body of 5 GiB is counted whole.
    const BodyLimits large = BodyLimitsFor("x", 5368709120, -1, -1);
    EXPECT_EQ(BodyFailure("x", large, 5368709120, true), "");
    EXPECT_EQ(BodyFailure("x", large, 4294967296, true),
              "x --- Error downloading file (4294967296 of 5368709120 bytes arrived)");
    const BodyLimits signedSize = BodyLimitsFor("x", -1, 5368709120, -1);
    EXPECT_EQ(BodyFailure("x", signedSize, 5368709120, true), "");
    EXPECT_NE(BodyFailure("x", signedSize, 5368709121, false), "");
}

TEST(DownloadRules, SmallFilesKeepTheirChunkAndStepsLargeOnesReadMore)
{
    const struct {
        std::uint64_t size;
        std::uint32_t piece;
        std::uint64_t unit;
        std::uint32_t steps;
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
        {kUnknownSize, 1048576, 0x8000000, 33, false},
        // Beyond 32 bits: 3 GiB and 5 GiB.
        {3ull << 30, 1048576, (3ull << 30) / 32 + 1, 33, false},
        {5ull << 30, 1048576, (5ull << 30) / 32 + 1, 33, false},
    };
    for (const auto& c : cases) {
        const ReadPlan plan = PlanReads(c.size);
        EXPECT_EQ(plan.piece, c.piece) << c.size;
        EXPECT_EQ(plan.unit, c.unit) << c.size;
        EXPECT_EQ(plan.steps, c.steps) << c.size;
        EXPECT_EQ(plan.small, c.small) << c.size;
    }
}

TEST(DownloadRules, ReadsOfACappedBodyNeverAskForMoreThanItMayHold)
{
    const struct {
        std::int64_t length, known, largest;
        uint32_t piece;
    } cases[] = {
        // A description without a length: at most 256 KiB, and one byte more to tell one
        // that runs past it, not the 1 MiB of a body of unknown size.
        {-1, -1, 256 * 1024, 256 * 1024 + 1},
        {-1, -1, 10, 11},
        {-1, -1, 0, 1},
        // A cap above the largest piece, or a size the plan already keeps below it.
        {-1, -1, 64 << 20, 1048576},
        {-1, 200000, -1, 20000},
        {200000, -1, 256 * 1024, 20000},
        {-1, 50 << 20, -1, 1048576},
    };
    for (const auto& c : cases) {
        const BodyLimits limits = BodyLimitsFor("x", c.length, c.known, c.largest);
        ASSERT_TRUE(limits.refusal.empty()) << c.length << " " << c.known << " " << c.largest;
        const ReadPlan plan = PlanReadsFor(limits);
        EXPECT_EQ(plan.piece, c.piece) << c.length << " " << c.known << " " << c.largest;
        EXPECT_LE(FirstPiece(plan), plan.piece);
        EXPECT_LE(NextPiece(plan, FirstPiece(plan), 0), plan.piece);
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
