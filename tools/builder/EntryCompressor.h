// The payload's entry blocks, compressed on every core and handed out in payload order.
//
// Each entry is one piece of a source file (at most EntrySize bytes) behind its entry
// header, compressed on its own: the blocks, and so the setup, are the same bytes
// whatever the number of threads. Only a bounded window of entries ahead of the one
// being written is read and compressed, so memory stays a few entries per thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct EntryPiece {
    std::string source; // host path
    uint64_t offset = 0;
    size_t size = 0;
    std::string header; // the entry header list string
};

// One length-prefixed entry block: a complete zlib stream (78 DA) or the bytes stored.
std::string EntryBlock(const std::string& header, const std::string& content, bool compress);

class EntryCompressor {
public:
    // threads 0: one per core; 1: each block is made when it is asked for.
    EntryCompressor(std::vector<EntryPiece> pieces, bool compress, unsigned threads);
    ~EntryCompressor();
    EntryCompressor(const EntryCompressor&) = delete;
    EntryCompressor& operator=(const EntryCompressor&) = delete;

    // The next block in order; rethrows what went wrong making it (std::runtime_error
    // naming the source for a file that cannot be read or changed meanwhile).
    std::string Next();

private:
    std::string Make(size_t index) const;
    void Work();

    const std::vector<EntryPiece> pieces_;
    const bool compress_;
    size_t window_ = 1;

    std::mutex lock_;
    std::condition_variable changed_;
    size_t taken_ = 0;     // the next piece a worker takes
    size_t handedOut_ = 0; // the next piece Next() returns
    bool stopping_ = false;
    std::vector<std::string> blocks_;
    std::vector<std::exception_ptr> errors_;
    std::vector<char> ready_;
    std::vector<std::thread> workers_;
};
