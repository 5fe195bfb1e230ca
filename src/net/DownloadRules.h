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
// 8192 bytes, with a short pause and one bar step per read. Larger ones are read in
// larger pieces without the pause, and the bar steps per unit of several pieces: each
// step of the bar pauses the program briefly, and a step per piece would cost more
// than the transfer itself.
constexpr uint32_t kSmallDownload = 80 * 1024;
constexpr uint32_t kLargestPiece = 1024 * 1024;
constexpr uint32_t kMostUnits = 32;

struct ReadPlan {
    uint32_t piece = 1; // bytes asked for per read; for a large file the most
    uint32_t unit = 1;  // bytes per bar step (a small file: one piece, stepped per read)
    uint32_t steps = 2; // the bar's step count: one per unit, plus one
    bool small = true;  // a small file: the pause and a step per read
};

// The pieces for a download of size bytes (0xFFFFFFFF when the server gave no length).
// A file above kSmallDownload is still read in at least ten pieces and has at least
// ten steps, so that the window stays alive and the bar moves as for a small one.
ReadPlan PlanReads(uint32_t size);

// A read blocks until its piece has arrived, and the window is serviced only between
// reads. A large file starts with pieces of this size; a piece that came quickly doubles
// the next one (up to plan.piece: fast links pay less per byte), one that took long
// halves it (down to kSmallestPiece), so that a slow link still services the window and
// sees a close request within a fraction of a second.
constexpr uint32_t kFirstPiece = 64 * 1024;
constexpr uint32_t kSmallestPiece = 8192;
constexpr uint32_t kQuickReadMs = 50;
constexpr uint32_t kSlowReadMs = 200;
uint32_t FirstPiece(const ReadPlan& plan);
uint32_t NextPiece(const ReadPlan& plan, uint32_t piece, uint32_t elapsedMs);

// How many bar steps a large download has had once done bytes arrived: whole units,
// and the last partial one once the whole size is there.
uint32_t StepsDone(const ReadPlan& plan, uint32_t size, uint32_t done);

// The KB and MB flags of the progress texts for a download of size bytes.
inline bool ShowsKilobytes(uint32_t size) { return size > 102400; }
inline bool ShowsMegabytes(uint32_t size) { return size > 10485760; }
