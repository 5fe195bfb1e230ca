#include "payload/ZInflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "payload/PayloadEntry.h"

namespace {

// Indexed by 2 minus the result code.
const char* const kMessages[] = {"need dictionary",     "stream end",   "",
                                 "file error",          "stream error", "data error",
                                 "insufficient memory", "buffer error", "incompatible version"};

// Ends the inflate state on every path out of InflateBlock.
struct InflateState {
    z_stream z{};
    bool live = false;
    ~InflateState()
    {
        if (live)
            inflateEnd(&z);
    }
};

} // namespace

const char* ZLibMessage(int code)
{
    const int index = 2 - code;
    return index >= 0 && index < static_cast<int>(sizeof kMessages / sizeof kMessages[0]) ? kMessages[index] : "";
}

namespace {

// The most output an entry is given: one byte more than the largest entry, so that an
// entry of exactly that size ends in it and a larger one shows.
constexpr size_t kRoom = kLargestEntry + 1;

// Inflates into out from its start, using all of its size and growing it as needed.
int Inflate(const void* input, size_t inputSize, std::string& out, size_t& produced, const InflateProgress& progress,
            const InflatePump& pump)
{
    produced = 0;
    const size_t increment = ((inputSize + 255) / 256) * 256;
    if (out.empty())
        out.resize(std::min<size_t>(increment != 0 ? increment : 256, kRoom));

    InflateState state;
    z_stream& z = state.z;
    z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
    z.avail_in = static_cast<uInt>(inputSize);
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(std::min(out.size(), kRoom));
    if (progress)
        progress(0, 0, static_cast<int64_t>(inputSize), 0, 1);
    if (const int started = inflateInit_(&z, "1.1.4", static_cast<int>(sizeof(z_stream))); started != Z_OK)
        return started;
    state.live = true;

    for (;;) {
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result < 0)
            return result;
        // Past the largest entry, whether or not the stream ends there: no builder wrote that.
        if (z.total_out > kLargestEntry)
            return Z_DATA_ERROR;
        if (result == Z_STREAM_END)
            break;
        // Payload streams never use a preset dictionary; waiting for one would grow the
        // output without end.
        if (result == Z_NEED_DICT)
            return result;
        if (pump)
            pump();
        if (progress)
            progress(0, 0, static_cast<int64_t>(inputSize), static_cast<int64_t>(z.total_out), 1);
        // Grow geometrically: steps of the input size alone make a highly compressible
        // entry cost time quadratic in its expansion.
        const size_t done = z.total_out;
        size_t grow = increment > out.size() ? increment : out.size();
        if (grow < 256)
            grow = 256;
        if (out.size() < kRoom)
            out.resize(std::min(out.size() + grow, kRoom));
        z.next_out = reinterpret_cast<Bytef*>(&out[done]);
        z.avail_out = static_cast<uInt>(std::min(out.size(), kRoom) - done);
    }
    state.live = false;
    if (const int ended = inflateEnd(&z); ended != Z_OK)
        return ended;
    produced = z.total_out;
    return Z_OK;
}

} // namespace

int InflateBlock(const void* input, size_t inputSize, size_t outputEstimate, std::string& out,
                 const InflateProgress& progress, const InflatePump& pump)
{
    out.assign(outputEstimate, '\0');
    size_t produced = 0;
    const int result = Inflate(input, inputSize, out, produced, progress, pump);
    out.resize(produced);
    return result;
}

int InflateInto(const void* input, size_t inputSize, std::string& buffer, size_t& produced, const InflatePump& pump)
{
    return Inflate(input, inputSize, buffer, produced, {}, pump);
}

int InflateText(const std::string& compressed, std::string& out, const InflateProgress& progress,
                const InflatePump& pump)
{
    return InflateBlock(compressed.data(), compressed.size(), 0, out, progress, pump);
}

bool InflateHead(const void* input, size_t inputSize, std::string& head)
{
    // Headers are short: room for the longest is made only when a header needs it.
    constexpr size_t kFirstRoom = 4096;
    constexpr size_t kMostRoom = kLargestEntryHeader + 1;
    head.assign(kFirstRoom, '\0');
    InflateState state;
    z_stream& z = state.z;
    z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
    z.avail_in = static_cast<uInt>(inputSize);
    z.next_out = reinterpret_cast<Bytef*>(&head[0]);
    z.avail_out = static_cast<uInt>(head.size());
    if (inflateInit_(&z, "1.1.4", static_cast<int>(sizeof(z_stream))) != Z_OK)
        return false;
    state.live = true;
    for (;;) {
        const size_t before = z.total_out;
        const int result = inflate(&z, Z_NO_FLUSH);
        if (const void* nul = std::memchr(&head[before], '\0', z.total_out - before)) {
            head.resize(static_cast<size_t>(static_cast<const char*>(nul) - head.data()));
            return true;
        }
        // Ended, broken, out of input or past the longest header: no header is certain.
        if (result != Z_OK || z.avail_in == 0 || (z.avail_out == 0 && head.size() == kMostRoom))
            break;
        if (z.avail_out == 0) {
            head.resize(kMostRoom);
            z.next_out = reinterpret_cast<Bytef*>(&head[z.total_out]);
            z.avail_out = static_cast<uInt>(kMostRoom - z.total_out);
        }
    }
    head.clear();
    return false;
}

uint32_t BitwiseCrc32(uint32_t crc, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
