// Bounds-checked, read-only access to a file at 64-bit offsets: the one place where
// the payload readers touch stdio. Every read names its range and fails whole when
// the range is not inside the file, so a length taken from a damaged payload can
// never make a reader run past what is there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class TFileReader {
public:
    // Opens read-only; other processes may keep reading and writing the file.
    explicit TFileReader(const std::string& path);
    // Takes over an open stream (such as one over bytes in memory); null gives a reader
    // that is not open.
    explicit TFileReader(std::FILE* stream);

    bool IsOpen() const { return file_ != nullptr; }
    // Size at open time; 0 when the file is not open.
    int64_t Size() const { return size_; }

    // Exactly n bytes at offset, or false (nothing useful in out) when the range
    // leaves the file or the read comes short.
    bool ReadAt(int64_t offset, void* out, size_t n);
    bool ReadAt(int64_t offset, size_t n, std::string& out);
    bool ReadU32(int64_t offset, uint32_t& value);
    // Up to n bytes at offset; the count read (0 past the end or on error).
    size_t ReadSome(int64_t offset, void* out, size_t n);

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    int64_t size_ = 0;
};
