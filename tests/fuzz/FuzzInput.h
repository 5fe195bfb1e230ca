// What the fuzz targets share: the input cut into fields, a payload held in memory and
// read through the same reader as a file, and the check that stops a run when a
// property fails (libFuzzer then keeps the input as a crash file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "payload/FileReader.h"

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                     \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

// The input as count fields separated by NUL bytes: the last field takes the rest (NULs
// included), fields that are not there are empty.
std::vector<std::string> Fields(const uint8_t* data, size_t size, size_t count);

// A reader over bytes in memory; the bytes must outlive it.
TFileReader MemoryFile(const std::string& bytes);

// Reads the input's bytes one at a time, 0 when they have run out.
class TByteSource {
public:
    explicit TByteSource(const std::string& bytes) : bytes_(bytes) {}
    uint8_t Byte() { return at_ < bytes_.size() ? static_cast<uint8_t>(bytes_[at_++]) : 0; }

private:
    const std::string& bytes_;
    size_t at_ = 0;
};
