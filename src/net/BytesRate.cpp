#include "net/BytesRate.h"

#include <cstdio>

#include "util/Utils.h"

namespace {

constexpr uint32_t kRefreshMs = 500;

template <class T> void Push(T (&window)[5], T value)
{
    for (int i = 0; i + 1 < 5; ++i)
        window[i] = window[i + 1];
    window[4] = value;
}

} // namespace

TBytesRate::TBytesRate(bool kb, bool mb) : kb_(kb), mb_(mb) { Reset(); }

void TBytesRate::Reset()
{
    for (int i = 0; i < kWindow; ++i)
        ticks_[i] = bytes_[i] = 0;
    rate_.clear();
    lastRefresh_ = 0;
}

std::string TBytesRate::RateText(uint32_t chunk, uint32_t now)
{
    Push(ticks_, now);
    Push(bytes_, chunk);
    const uint32_t elapsed = ticks_[4] - ticks_[0];
    // The oldest entry only marks where the four intervals start; its bytes came before.
    const double bytes = static_cast<double>(bytes_[1]) + bytes_[2] + bytes_[3] + bytes_[4];
    if (ticks_[0] != 0 && elapsed != 0 && now - lastRefresh_ > kRefreshMs) {
        lastRefresh_ = now;
        rate_ = FixedText(bytes / (elapsed / 1000.0) / 1024.0, 2);
    }
    return rate_;
}

std::string TBytesRate::ProgressText(uint64_t total, uint64_t done, uint32_t chunk, uint32_t now)
{
    std::string text;
    if (mb_)
        text = SizeText(static_cast<int64_t>(done), 1048576, true, true) + "/" +
               SizeText(static_cast<int64_t>(total), 1048576, true, true) + " MB";
    else if (kb_)
        text = SizeText(static_cast<int64_t>(done), 1024, true, true) + "/" +
               SizeText(static_cast<int64_t>(total), 1024, true, true) + " KB";
    else
        text = std::to_string(done) + "/" + std::to_string(total) + " Bytes";
    const std::string rate = RateText(chunk, now);
    return rate.empty() ? text : text + "   -   " + rate + " KB/Sec";
}
