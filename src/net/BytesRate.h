// The texts a download shows on its progress bar: bytes done of the total, and the
// transfer rate over the last few chunks.
#pragma once

#include <cstdint>
#include <string>

class TBytesRate {
public:
    // kb: show kilobytes; mb: show megabytes (wins over kb). Fixed for one download.
    TBytesRate(bool kb, bool mb);

    void Reset();
    // The rate in KB per second over the last four chunks, as "12.34"; empty until the
    // fifth chunk, and refreshed at most every 500 ms so that the text stays readable.
    // now is the millisecond tick count at which this chunk arrived.
    std::string RateText(uint32_t chunk, uint32_t now);
    // "done/total Bytes" (or KB, MB), with the rate appended once there is one.
    std::string ProgressText(uint64_t total, uint64_t done, uint32_t chunk, uint32_t now);

private:
    static constexpr int kWindow = 5;
    uint32_t ticks_[kWindow]; // oldest first
    uint32_t bytes_[kWindow];
    bool kb_;
    bool mb_;
    std::string rate_;
    uint32_t lastRefresh_;
};
