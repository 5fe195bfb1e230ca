#include "net/BytesRate.h"

#include <gtest/gtest.h>

#include "net/DownloadRules.h"

namespace {

// The texts a whole download shows, one per read, reads of `piece` bytes 100 ms apart.
std::vector<std::string> Texts(uint32_t size, uint32_t piece, uint32_t start = 1000)
{
    TBytesRate rate(ShowsKilobytes(size), ShowsMegabytes(size));
    std::vector<std::string> texts;
    uint32_t done = 0, now = start;
    while (done < size) {
        const uint32_t read = size - done < piece ? size - done : piece;
        done += read;
        texts.push_back(rate.ProgressText(size, done, read, now));
        now += 100;
    }
    return texts;
}

TEST(BytesRate, AFiveByteFileCountsBytesAndShowsNoRateBeforeTheFifthChunk)
{
    const std::vector<std::string> texts = Texts(5, 1);
    ASSERT_EQ(texts.size(), 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(texts[i], std::to_string(i + 1) + "/5 Bytes");
    // Four intervals of 100 ms carried the four newest bytes.
    EXPECT_EQ(texts[4], "5/5 Bytes   -   0.01 KB/Sec");
}

TEST(BytesRate, KilobytesAbove100KAndMegabytesAbove10MWithGrouping)
{
    EXPECT_EQ(Texts(200000, 20000).front(), "19.5/195.3 KB");
    EXPECT_EQ(Texts(102400, 10240).front(), "10240/102400 Bytes");
    EXPECT_EQ(Texts(10485760, 1048576).front(), "1,024.0/10,240.0 KB");
    EXPECT_EQ(Texts(11 * 1048576, 1048576).front(), "1.0/11.0 MB");
    TBytesRate big(true, true);
    EXPECT_EQ(big.ProgressText(4294967295u, 3435973837u, 0, 0), "3,276.8/4,096.0 MB");
}

TEST(BytesRate, RateIsOverTheLastFourChunksAndRefreshedAtMostTwiceASecond)
{
    TBytesRate rate(true, false);
    for (uint32_t t = 1000; t < 1400; t += 100)
        EXPECT_EQ(rate.RateText(1024, t), "");
    EXPECT_EQ(rate.RateText(1024, 1400), "10.00"); // 4 KB in 0.4 s
    // Faster chunks change nothing until 500 ms have passed since the last refresh.
    EXPECT_EQ(rate.RateText(8192, 1500), "10.00");
    EXPECT_EQ(rate.RateText(8192, 1900), "10.00");
    // The oldest of the five entries only marks the start: 1 KB + 3 x 8 KB in 0.7 s.
    EXPECT_EQ(rate.RateText(8192, 2000), "35.71");
    rate.Reset();
    EXPECT_EQ(rate.RateText(1024, 5000), "");
}

TEST(BytesRate, NoRateWhenTheFourIntervalsTookNoTime)
{
    TBytesRate rate(false, false);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(rate.RateText(100, 2000), "");
}

} // namespace
