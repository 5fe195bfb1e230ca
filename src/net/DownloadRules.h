// The rules of a download that need no network: which URL is opened, the name shown,
// which answers are taken and how much of a body, and in what pieces it is read. Sizes
// are 64-bit throughout: a release of several GiB is as good as a small one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The URL as opened: unchanged when it names http:// or https:// (an https address is
// never turned into "http://https://..."), else with "http://" in front.
std::string DownloadUrlFor(const std::string& url);

// The last path component of url ("/" and "\" alike): the name the bar shows.
std::string DownloadDisplayName(const std::string& url);

// ---- answers ---------------------------------------------------------------------

// A download takes status 200 only; the one-byte size probe also 206 (a part).
constexpr int kStatusOk = 200;
constexpr int kStatusPart = 206;
// Why an answer of another status is no file: the "404 File Not Found" message when a
// 404 came with an HTML error page (what the user has always been shown for it), else
// url + " --- HTTP " + the status (a 500 page is no missing file). page: the first bytes
// of the answer's body.
std::string StatusFailureText(int status, const std::string& url, const std::string& page);

// The Content-Length header: decimal digits up to 2^63 - 1, nothing else.
std::optional<std::int64_t> ParseContentLength(const std::string& text);
// The whole size a Content-Range header names ("bytes 0-0/12345"); none for "*" or
// anything malformed.
std::optional<std::int64_t> ParseContentRangeTotal(const std::string& text);

// How much of a body a transfer takes, decided from its headers before a byte is read.
// A body is never taken on trust: it must have the length its header announced, never
// more than the caller's bound, and a body that comes without a length needs that bound
// (the signed size of a file, the cap of a body held in memory). A shorter body is read:
// what it is (a server's error page, a file that is not the one signed) is for the
// caller's checks to tell.
struct BodyLimits {
    std::int64_t exact = -1; // the body must end at exactly this many bytes
    std::int64_t most = -1;  // without exact: it may not grow past this
    std::string refusal;     // not empty: nothing is read, this is the failure
    std::int64_t shown = -1; // the size the progress shows (-1: unknown)
};
// name: the display name; length: the Content-Length (-1 when none came); known: the
// size the caller was told the body has (a signed release's, -1 when none); largest:
// the most the caller holds (a body in memory, -1 for no cap).
BodyLimits BodyLimitsFor(const std::string& name, std::int64_t length, std::int64_t known, std::int64_t largest);
// The failure of a body that has got bytes so far: more than it may have (the transfer
// stops at once), or, once it has ended (ended), fewer than it must. Empty while all is
// well.
std::string BodyFailure(const std::string& name, const BodyLimits& limits, std::int64_t got, bool ended);

// ---- reading in pieces -----------------------------------------------------------

// Files up to this size are read exactly as they always were: a tenth per read, at most
// 8192 bytes, with a short pause and one bar step per read. Larger ones are read in
// larger pieces without the pause, and the bar steps per unit of several pieces: each
// step of the bar pauses the program briefly, and a step per piece would cost more
// than the transfer itself.
constexpr std::uint64_t kSmallDownload = 80 * 1024;
constexpr std::uint32_t kLargestPiece = 1024 * 1024;
constexpr std::uint32_t kMostUnits = 32;
// The size a plan assumes when nobody knows it.
constexpr std::uint64_t kUnknownSize = 0xFFFFFFFF;

struct ReadPlan {
    std::uint32_t piece = 1; // bytes asked for per read; for a large file the most
    std::uint64_t unit = 1;  // bytes per bar step (a small file: one piece, stepped per read)
    std::uint32_t steps = 2; // the bar's step count: one per unit, plus one
    bool small = true;       // a small file: the pause and a step per read
};

// The pieces for a download of size bytes (kUnknownSize when nothing says how many).
// A file above kSmallDownload is still read in at least ten pieces and has at least
// ten steps, so that the window stays alive and the bar moves as for a small one.
ReadPlan PlanReads(std::uint64_t size);
// The pieces for a body of limits: planned for the size it shows, and no piece larger
// than the most it may hold and one byte more (which tells a body that runs past it), so
// that a capped body without a length (a description) gets no buffer meant for 4 GiB.
ReadPlan PlanReadsFor(const BodyLimits& limits);

// A read blocks until its piece has arrived, and the window is serviced only between
// reads. A large file starts with pieces of this size; a piece that came quickly doubles
// the next one (up to plan.piece: fast links pay less per byte), one that took long
// halves it (down to kSmallestPiece), so that a slow link still services the window and
// sees a close request within a fraction of a second.
constexpr std::uint32_t kFirstPiece = 64 * 1024;
constexpr std::uint32_t kSmallestPiece = 8192;
constexpr std::uint32_t kQuickReadMs = 50;
constexpr std::uint32_t kSlowReadMs = 200;
std::uint32_t FirstPiece(const ReadPlan& plan);
std::uint32_t NextPiece(const ReadPlan& plan, std::uint32_t piece, std::uint32_t elapsedMs);

// How many bar steps a large download has had once done bytes arrived: whole units,
// and the last partial one once the whole size is there.
std::uint32_t StepsDone(const ReadPlan& plan, std::uint64_t size, std::uint64_t done);

// The KB and MB flags of the progress texts for a download of size bytes.
inline bool ShowsKilobytes(std::uint64_t size) { return size > 102400; }
inline bool ShowsMegabytes(std::uint64_t size) { return size > 10485760; }
