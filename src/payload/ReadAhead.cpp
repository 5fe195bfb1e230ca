#include "payload/ReadAhead.h"

#include <algorithm>

#include "payload/ZInflate.h"
#include "util/Utils.h"

namespace {

// Enough compressed input for any header a builder writes (at most kLargestEntryHeader
// bytes, which deflate never makes much larger).
constexpr size_t kHeadInput = 256 << 10;

} // namespace

void TReadAhead::Run(int64_t position, const Known& known, const Room& room, const Take& take)
{
    position_ = std::max(position_, position);
    while (!ended_ && room())
        if (!Step(known, take))
            ended_ = true;
}

bool TReadAhead::Step(const Known& known, const Take& take)
{
    if (end_ - position_ <= kTrailerLength)
        return false;
    std::string field(4, '\0');
    if (!read_(position_, field, 4))
        return false;
    const int32_t length = BlockLength(field);
    const int64_t size = BlockSize(length);
    if (size < 0 || size > end_ - position_ - 4)
        return false;

    // A large block is the walk's: only its header is read. A small one is read whole,
    // but inflated only when it is handed out.
    const bool large = size > kLargeBlock;
    const size_t n =
        static_cast<size_t>(large ? std::min<int64_t>(size, length > 0 ? kHeadInput : kLargestEntryHeader + 1) : size);
    if (block_.size() < n)
        block_.resize(n);
    std::string header;
    if (n > 0 && !read_(position_ + 4, block_, n))
        return false;
    if (!Header(length, n, header))
        return false;
    const int64_t at = position_;
    position_ += 4 + size;
    // No file: a volume link, or an entry the walk skips.
    if (header.empty())
        return true;

    WalkedEntry entry;
    entry.header = ParseEntryHeader(header);
    entry.refusal = EntryRefusal(entry.header);
    const std::string name = ReplaceChar(entry.header.name, '/', '\\');
    if (name.find('~') != std::string::npos)
        return false;
    const std::string key = WindowsNameKey(name);
    const bool handOut = !large && entry.refusal.empty() && Free(key) && !known(name);
    Mark(key);
    if (!handOut)
        return true;
    std::string* buffer = &block_;
    size_t produced = n;
    if (length > 0) {
        if (InflateInto(block_.data(), n, inflated_, produced) != 0)
            return false;
        buffer = &inflated_;
    }
    const EntrySplit split = SplitEntry(buffer->data(), produced);
    entry.buffer = buffer;
    entry.content = buffer->data() + split.contentOffset;
    entry.contentOffset = split.contentOffset;
    entry.contentSize = produced - split.contentOffset;
    entry.position = at;
    taken_[at] = entry.header;
    take(entry);
    return true;
}

bool TReadAhead::Header(int32_t length, size_t n, std::string& header)
{
    if (length > 0)
        return InflateHead(block_.data(), n, header);
    // Stored: the header must end within the bytes read.
    const EntrySplit split = SplitEntry(block_.data(), n);
    if (split.contentOffset == split.headerLength)
        return false;
    header.assign(block_.data(), split.headerLength);
    return true;
}

bool TReadAhead::Free(const std::string& key) const
{
    if (files_.count(key) || folders_.count(key))
        return false;
    for (size_t cut = key.find('\\'); cut != std::string::npos; cut = key.find('\\', cut + 1))
        if (files_.count(key.substr(0, cut)))
            return false;
    return true;
}

void TReadAhead::Mark(const std::string& key)
{
    files_.insert(key);
    for (size_t cut = key.find('\\'); cut != std::string::npos; cut = key.find('\\', cut + 1))
        folders_.insert(key.substr(0, cut));
}

std::optional<EntryHeader> TReadAhead::Taken(int64_t position)
{
    const auto found = taken_.find(position);
    if (found == taken_.end())
        return std::nullopt;
    EntryHeader header = std::move(found->second);
    taken_.erase(found);
    return header;
}

std::vector<std::string> TReadAhead::Unreached()
{
    std::vector<std::string> names;
    for (const auto& [position, header] : taken_)
        names.push_back(header.name);
    taken_.clear();
    return names;
}
