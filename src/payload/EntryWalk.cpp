#include "payload/EntryWalk.h"

WalkStop TEntryWalk::Volume(const Read& read, int64_t position, int64_t end, int headerStringCount, const Sink& sink)
{
    position_ = position;
    nextVolume_.reset();
    while (end - position_ > kTrailerLength) {
        if (pump_)
            pump_();
        std::string field(4, '\0');
        if (!read(field, 4))
            return WalkStop::Short;
        length_ = BlockLength(field);
        const int64_t size = BlockSize(length_);
        // Checked before anything is allocated: the length comes from the file.
        if (size < 0 || size > end - position_ - 4)
            return WalkStop::BadLength;
        entryPosition_ = position_;
        if (blocks_ >= headerStringCount && ahead_) {
            if (std::optional<EntryHeader> header = ahead_(position_, length_, size)) {
                if (!skip_(size))
                    return WalkStop::Short;
                position_ += size + 4;
                ++blocks_;
                Written(std::move(*header), sink);
                continue;
            }
        }
        if (block_.size() < static_cast<size_t>(size))
            block_.resize(static_cast<size_t>(size));
        if (size > 0 && !read(block_, static_cast<size_t>(size)))
            return WalkStop::Short;
        position_ += size + 4;
        ++blocks_;
        if (blocks_ == headerStringCount)
            headerEnd_ = position_;
        if (blocks_ <= headerStringCount)
            continue;
        if (length_ > 0) {
            size_t produced = 0;
            error_ = InflateInto(block_.data(), static_cast<size_t>(size), inflated_, produced, pump_);
            if (error_ != 0) {
                position_ -= size + 4; // the damaged block's own offset
                return WalkStop::Damaged;
            }
            Entry(inflated_, produced, sink);
        } else {
            Entry(block_, static_cast<size_t>(size), sink);
        }
    }
    return WalkStop::End;
}

void TEntryWalk::Entry(std::string& buffer, size_t size, const Sink& sink)
{
    const char* entry = buffer.data();
    const EntrySplit split = SplitEntry(entry, size);
    if (split.headerLength == 0) {
        if (const std::optional<VolumeDigest> link = ReadVolumeLink(entry, size))
            nextVolume_ = link;
        return;
    }
    WalkedEntry walked;
    walked.header = ParseEntryHeader(std::string(entry, split.headerLength));
    walked.refusal = EntryRefusal(walked.header);
    if (walked.refusal.empty() && !walked.header.runTarget.empty())
        runTarget_ = walked.header.runTarget;
    walked.content = entry + split.contentOffset;
    walked.contentSize = size - split.contentOffset;
    walked.buffer = &buffer;
    walked.contentOffset = split.contentOffset;
    walked.position = entryPosition_;
    sink(walked);
}

void TEntryWalk::Written(EntryHeader header, const Sink& sink)
{
    WalkedEntry walked;
    walked.header = std::move(header);
    // Only accepted entries are written ahead.
    if (!walked.header.runTarget.empty())
        runTarget_ = walked.header.runTarget;
    walked.position = entryPosition_;
    walked.written = true;
    sink(walked);
}
