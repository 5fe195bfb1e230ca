// Inflating one payload entry (a complete zlib stream) from memory in one call.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// zlib's message for a result code ("data error" for -3 ...); empty for 0 and for
// codes outside zlib's range.
const char* ZLibMessage(int code);

// (kind = 0, 0, total = input size, position = output bytes so far, step = 1); called
// once with position 0 before inflating and after every inflate call that did not finish.
using InflateProgress = std::function<void(int kind, int64_t low, int64_t total, int64_t position, int step)>;
// Runs between inflate calls so that windows stay responsive: the launcher passes a
// message pump that does not wait.
using InflatePump = std::function<void()>;

// Each inflate gives 0, or the zlib result that stopped it: a negative one for a damaged
// or truncated stream, Z_NEED_DICT for a dictionary stream, and Z_DATA_ERROR for one that
// inflates to more than an entry can hold (kLargestEntry). The output is then no entry.

// The uncompressed bytes of a zlib stream into out. outputEstimate 0 lets the size grow
// from the input size.
[[nodiscard]] int InflateBlock(const void* input, size_t inputSize, size_t outputEstimate, std::string& out,
                               const InflateProgress& progress = {}, const InflatePump& pump = {});
[[nodiscard]] int InflateText(const std::string& compressed, std::string& out, const InflateProgress& progress = {},
                              const InflatePump& pump = {});
// The same into a buffer that is kept between calls: its whole size is used as room and
// it only ever grows, so a run of entries needs no new allocation. produced is the
// number of bytes at the start of buffer.
[[nodiscard]] int InflateInto(const void* input, size_t inputSize, std::string& buffer, size_t& produced,
                              const InflatePump& pump = {});

// The entry header at the start of a zlib stream, inflating no more of it than a header
// can be (kLargestEntryHeader and its NUL): the bytes before the first NUL. False when
// the input ends or breaks before a NUL shows.
[[nodiscard]] bool InflateHead(const void* input, size_t inputSize, std::string& head);

// zlib's CRC-32 of data continuing crc (0 to start), one bit at a time: a few bytes of
// code where zlib's own carries 8 KB of tables. The launcher gives zlib this one (see
// launcher/ZlibCrc.cpp).
uint32_t BitwiseCrc32(uint32_t crc, const void* data, size_t size);
