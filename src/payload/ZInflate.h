// Inflating one payload entry (a complete zlib stream) from memory in one call.
#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

// The only error that leaves the payload code: a negative zlib result, with zlib's text.
// A plain std::exception: the text is a constant, and the string-carrying standard
// errors would bring a second string implementation into the launcher.
class EZLibError : public std::exception {
public:
    explicit EZLibError(int code) : code_(code) {}
    int Code() const { return code_; }
    const char* what() const noexcept override;

private:
    int code_;
};

// zlib's message for a result code ("data error" for -3 ...); empty for 0 and for
// codes outside zlib's range.
const char* ZLibMessage(int code);
// The code itself when it is 0 or positive; raises EZLibError for a negative one.
int ZLibCheck(int code);

// (kind = 0, 0, total = input size, position = output bytes so far, step = 1); called
// once with position 0 before inflating and after every inflate call that did not finish.
using InflateProgress = std::function<void(int kind, int64_t low, int64_t total, int64_t position, int step)>;
// Runs between inflate calls so that windows stay responsive: the launcher passes a
// message pump that does not wait.
using InflatePump = std::function<void()>;

// The uncompressed bytes of a zlib stream. outputEstimate 0 lets the size grow from the
// input size. Raises EZLibError for a damaged, truncated or dictionary stream, and for
// one that inflates to more than an entry can hold (kLargestEntry: "data error").
std::string InflateBlock(const void* input, size_t inputSize, size_t outputEstimate,
                         const InflateProgress& progress = {}, const InflatePump& pump = {});
std::string InflateText(const std::string& compressed, const InflateProgress& progress = {},
                        const InflatePump& pump = {});
// The same into a buffer that is kept between calls: its whole size is used as room and
// it only ever grows, so a run of entries needs no new allocation. The result is the
// number of bytes produced at the start of buffer.
size_t InflateInto(const void* input, size_t inputSize, std::string& buffer, const InflatePump& pump = {});

// zlib's CRC-32 of data continuing crc (0 to start), one bit at a time: a few bytes of
// code where zlib's own carries 8 KB of tables. The launcher gives zlib this one (see
// launcher/ZlibCrc.cpp).
uint32_t BitwiseCrc32(uint32_t crc, const void* data, size_t size);
