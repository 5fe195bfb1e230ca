#include "payload/ZInflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "payload/PayloadEntry.h"

namespace {

std::string Deflate(const std::string& data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

std::string ErrorOf(const std::string& stream)
{
    std::string out;
    const int result = InflateText(stream, out);
    return result != 0 ? ZLibMessage(result) : "no error";
}

std::string Inflated(const std::string& stream)
{
    std::string out;
    EXPECT_EQ(InflateText(stream, out), 0);
    return out;
}

} // namespace

TEST(ZInflate, RoundTrips)
{
    const std::string thousandFold(1000 * 1000, 'a');
    std::string mixed;
    for (int i = 0; i < 70000; ++i)
        mixed += static_cast<char>((i * 7919) >> 3);
    for (const std::string& data : {std::string(), std::string("x"), thousandFold, mixed}) {
        const std::string z = Deflate(data);
        EXPECT_EQ(Inflated(z), data);
        std::string out;
        EXPECT_EQ(InflateBlock(z.data(), z.size(), 3, out), 0); // a small estimate grows too
        EXPECT_EQ(out, data);
    }
    EXPECT_EQ(Deflate(std::string()).substr(0, 2), "\x78\xDA");
}

TEST(ZInflate, NoEntryGrowsPastTheLargestABuilderWrites)
{
    // A few kilobytes that would inflate to any size: refused once past the largest entry.
    const std::string largest(kLargestEntry, '\0');
    EXPECT_EQ(Inflated(Deflate(largest)).size(), kLargestEntry);
    const std::string bomb = Deflate(largest + '\0');
    EXPECT_LT(bomb.size(), 65536u);
    EXPECT_EQ(ErrorOf(bomb), "data error");
    std::string buffer;
    size_t produced = 1;
    EXPECT_EQ(InflateInto(bomb.data(), bomb.size(), buffer, produced), Z_DATA_ERROR);
    EXPECT_EQ(produced, 0u);
    EXPECT_LE(buffer.size(), kLargestEntry + 1);
}

TEST(ZInflate, DamagedStreamsGiveZlibsResult)
{
    const std::string good = Deflate(std::string(5000, 'q') + "tail");
    std::string badHeader = good;
    badHeader[1] = static_cast<char>(badHeader[1] ^ 1); // header check no longer divides by 31
    std::string badAdler = good;
    badAdler.back() = static_cast<char>(badAdler.back() ^ 0xFF);
    const std::pair<std::string, const char*> cases[] = {
        {good.substr(0, good.size() / 2), "buffer error"},
        {good.substr(0, 2), "buffer error"},
        {std::string(), "buffer error"},
        {badHeader, "data error"},
        {badAdler, "data error"},
        {std::string("\x78\xBB\x00\x00\x00\x01", 6), "need dictionary"},
    };
    for (const auto& [stream, message] : cases)
        EXPECT_EQ(ErrorOf(stream), message);
}

TEST(ZInflate, ProgressAndPumpRunBetweenCalls)
{
    const std::string data(2000000, 'b');
    const std::string z = Deflate(data);
    std::vector<int64_t> positions;
    int pumps = 0;
    std::string out;
    const int result = InflateText(
        z, out,
        [&](int kind, int64_t, int64_t total, int64_t position, int step) {
            EXPECT_EQ(kind, 0);
            EXPECT_EQ(step, 1);
            EXPECT_EQ(total, static_cast<int64_t>(z.size()));
            positions.push_back(position);
        },
        [&] { ++pumps; });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, data);
    ASSERT_GE(positions.size(), 2u);
    EXPECT_EQ(positions.front(), 0);
    EXPECT_EQ(pumps + 1, static_cast<int>(positions.size()));
    for (size_t i = 1; i < positions.size(); ++i)
        EXPECT_GT(positions[i], positions[i - 1]);
}

TEST(ZInflate, MessageTable)
{
    const std::pair<int, const char*> cases[] = {
        {2, "need dictionary"},       {1, "stream end"}, {0, ""}, {-3, "data error"}, {-5, "buffer error"},
        {-6, "incompatible version"}, {-7, ""},          {3, ""}};
    for (auto [code, text] : cases)
        EXPECT_STREQ(ZLibMessage(code), text) << code;
}

TEST(ZInflate, IntoAKeptBufferReusesItsRoom)
{
    std::string buffer;
    const std::string large(300000, 'L'), small = "tiny entry", empty;
    size_t room = 0;
    for (const std::string* data : {&large, &small, &empty, &large}) {
        const std::string z = Deflate(*data);
        size_t produced = 0;
        ASSERT_EQ(InflateInto(z.data(), z.size(), buffer, produced), 0);
        ASSERT_EQ(produced, data->size());
        EXPECT_EQ(buffer.compare(0, produced, *data), 0);
        EXPECT_GE(buffer.size(), room); // never shrinks
        room = buffer.size();
    }
    const std::string z = Deflate(large);
    size_t produced = 1;
    EXPECT_EQ(InflateInto(z.data(), z.size() / 2, buffer, produced), Z_BUF_ERROR);
    EXPECT_EQ(produced, 0u);
}

TEST(ZInflate, BitwiseCrc32IsZlibs)
{
    EXPECT_EQ(BitwiseCrc32(0, "123456789", 9), 0xCBF43926u); // the CRC-32 check value
    std::string noise(100003, '\0');
    uint32_t x = 7;
    for (char& c : noise)
        c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    for (size_t size : {size_t{0}, size_t{1}, size_t{4}, size_t{1000}, noise.size()}) {
        const auto* bytes = reinterpret_cast<const Bytef*>(noise.data());
        EXPECT_EQ(BitwiseCrc32(0, noise.data(), size), crc32(0, bytes, static_cast<uInt>(size))) << size;
        // Continued from an earlier part, as zlib continues it.
        const size_t half = size / 2;
        EXPECT_EQ(BitwiseCrc32(BitwiseCrc32(0, noise.data(), half), noise.data() + half, size - half),
                  crc32(0, bytes, static_cast<uInt>(size)))
            << size;
    }
}

TEST(ZInflate, HeadGivesTheHeaderFromTheStartOfAStream)
{
    const std::string header = "|big.bin|123|";
    std::string noise(3 << 20, '\0');
    uint32_t seed = 7;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    const std::string stream = Deflate(header + std::string(1, '\0') + noise);
    std::string head;
    // The first bytes of a large stream are enough.
    EXPECT_TRUE(InflateHead(stream.data(), 4096, head));
    EXPECT_EQ(head, header);
    // A header longer than the first room inflated for it.
    const std::string longHeader = "|" + std::string(10000, 'n') + "|0|";
    const std::string longStream = Deflate(longHeader + std::string(1, '\0') + "content");
    EXPECT_TRUE(InflateHead(longStream.data(), longStream.size(), head));
    EXPECT_EQ(head, longHeader);

    std::string broken = stream;
    broken[1] = static_cast<char>(broken[1] ^ 1);
    const std::string noNul = Deflate(std::string(kLargestEntryHeader + 10, 'h'));
    const std::pair<std::string, const char*> refused[] = {
        {broken, "a broken stream"},
        {noNul, "no NUL within the longest header"},
        {stream.substr(0, 2), "input that ends before the header does"},
        {Deflate("|short|0|"), "a stream that ends without a NUL"},
    };
    for (const auto& [bytes, what] : refused) {
        head = "x";
        EXPECT_FALSE(InflateHead(bytes.data(), bytes.size(), head)) << what;
        EXPECT_TRUE(head.empty()) << what;
    }
}
