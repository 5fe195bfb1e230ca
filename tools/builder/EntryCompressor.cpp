#include "EntryCompressor.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

#include "LittleEndian.h"

namespace {

// Entries in flight per thread: enough that a worker never waits for the writer, few
// enough that memory stays small with the largest EntrySize.
constexpr size_t kAheadPerThread = 3;

} // namespace

std::string EntryBlock(const std::string& header, const std::string& content, bool compress)
{
    std::string entry = header;
    entry += '\0';
    entry += content;
    if (!compress)
        return U32(static_cast<uint32_t>(-static_cast<int32_t>(entry.size()))) + entry;
    uLongf size = compressBound(static_cast<uLong>(entry.size()));
    std::string z(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(entry.data()),
                  static_cast<uLong>(entry.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib refused to compress an entry");
    z.resize(size);
    return U32(static_cast<uint32_t>(size)) + z;
}

EntryCompressor::EntryCompressor(std::vector<EntryPiece> pieces, bool compress, unsigned threads)
    : pieces_(std::move(pieces)), compress_(compress)
{
    if (threads == 0)
        threads = std::thread::hardware_concurrency() ? std::thread::hardware_concurrency() : 1;
    if (threads <= 1 || pieces_.size() <= 1)
        return;
    window_ = threads * kAheadPerThread;
    blocks_.resize(pieces_.size());
    errors_.resize(pieces_.size());
    ready_.resize(pieces_.size());
    for (unsigned i = 0; i < threads; ++i)
        workers_.emplace_back([this] { Work(); });
}

EntryCompressor::~EntryCompressor()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

std::string EntryCompressor::Make(size_t index) const
{
    const EntryPiece& p = pieces_[index];
    std::string content(p.size, '\0');
    if (p.size != 0) {
        std::ifstream in(p.source, std::ios::binary);
        if (!in)
            throw std::runtime_error(p.source + ": cannot be read");
        if (!in.seekg(static_cast<std::streamoff>(p.offset)) ||
            !in.read(&content[0], static_cast<std::streamsize>(p.size)))
            throw std::runtime_error(p.source + ": changed while it was read");
    }
    return EntryBlock(p.header, content, compress_);
}

void EntryCompressor::Work()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard,
                      [this] { return stopping_ || (taken_ < pieces_.size() && taken_ < handedOut_ + window_); });
        if (stopping_)
            return;
        const size_t index = taken_++;
        guard.unlock();
        std::string block;
        std::exception_ptr error;
        try {
            block = Make(index);
        } catch (...) {
            error = std::current_exception();
        }
        guard.lock();
        blocks_[index] = std::move(block);
        errors_[index] = error;
        ready_[index] = 1;
        changed_.notify_all();
    }
}

std::string EntryCompressor::Next()
{
    if (handedOut_ >= pieces_.size())
        throw std::logic_error("no more entries");
    if (workers_.empty())
        return Make(handedOut_++);
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return ready_[handedOut_] != 0; });
    const size_t index = handedOut_++;
    changed_.notify_all(); // the window moved on
    if (errors_[index])
        std::rethrow_exception(errors_[index]);
    return std::move(blocks_[index]);
}
