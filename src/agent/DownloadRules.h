// The rules of a download that need no network: which URL is opened, the name shown,
// where the bytes go while they arrive, and in what pieces they are read.
#pragma once

#include <cstdint>
#include <string>

// The URL as opened: unchanged when it names http:// or https:// (an https address is
// never turned into "http://https://..."), else with "http://" in front.
std::string DownloadUrlFor(const std::string& url);

// The last path component of url ("/" and "\" alike): the name the bar shows.
std::string DownloadDisplayName(const std::string& url);

// Where the bytes go while they arrive: localFile + "." + (size + date) modulo 2^32, so
// that a file of another size or date on the server never continues an old attempt.
std::string PartialFileName(const std::string& localFile, uint32_t size, uint32_t date);

// Files up to this size are read exactly as they always were: a tenth per read, at most
// 8192 bytes, with a short pause per read. Larger ones are read in larger pieces.
constexpr uint32_t kSmallDownload = 80 * 1024;
constexpr uint32_t kLargestPiece = 256 * 1024;

struct ReadPlan {
    uint32_t piece = 1;   // bytes asked for per read
    uint32_t steps = 2;   // the bar's step count: one per piece, plus one
    bool pause = true;    // wait 2 ms per read (small files) or only service the messages
};

// The pieces for a download of size bytes (0xFFFFFFFF when the server gave no length).
// A file above kSmallDownload is still read in at least ten pieces, so that the bar
// moves as often as for a small one.
ReadPlan PlanReads(uint32_t size);

// The KB and MB flags of the progress texts for a download of size bytes.
inline bool ShowsKilobytes(uint32_t size) { return size > 102400; }
inline bool ShowsMegabytes(uint32_t size) { return size > 10485760; }
