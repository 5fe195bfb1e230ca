// The pieces of extraction that need no Windows call: what an inflated entry says, which
// entry names may become files, how volumes are named, the agent copy's bytes and the
// progress range. UnPack (Windows) puts them together.
//
// An entry, once inflated:   "|name[*parameters]|stamp|"  NUL  content
//   name        file name relative to the work folder; a "*" marks the run target and
//               may be followed by extra command-line parameters
//   stamp       packed DOS date and time (date high, time low, local), 0 = leave alone
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "payload/PayloadTrailer.h"

// The largest entry a builder writes, and so the most an entry may inflate to (a small
// entry that grows without end would take all memory): its content is at most the
// largest EntrySize, its header (name, run marker and parameters, date) at most 64 KiB.
constexpr uint64_t kLargestEntrySize = 16u << 20;
constexpr size_t kLargestEntryHeader = 65536;
constexpr size_t kLargestEntry = kLargestEntryHeader + 1 + kLargestEntrySize;

struct EntryHeader {
    std::string name;            // run marker and parameters removed
    uint32_t stamp = 0;          // 0 also when the field is missing or not a 32-bit number
    std::string runTarget;       // the name field with its "*" and parameters, when it has one
    bool strayRunMarker = false; // a "*" outside the name field
};

// An inflated entry split at its first NUL: the header is [0, headerLength), the content
// [contentOffset, size). Without a NUL everything is header and the content is empty.
struct EntrySplit {
    size_t headerLength;
    size_t contentOffset;
};
EntrySplit SplitEntry(const char* entry, size_t size);

// Reads the header list string. Only the name field can mark the run target: a "*"
// elsewhere marks nothing and is reported, since older readers took the whole header,
// with any path in it, for the program to start.
EntryHeader ParseEntryHeader(const std::string& header);

// Why an entry must be neither written nor ever started: its name leads out of the work
// folder, or its header carries a stray run marker. Empty when it may be written.
std::string EntryRefusal(const EntryHeader& header);

// The program part of a run target: the trimmed text before its first "*".
std::string RunTargetProgram(const std::string& runTarget);

// True when name, joined to the work folder, stays inside it: relative, no drive or
// stream colon, no "." or ".." (or other dots-and-blanks-only) component, no device name,
// no wildcard or control character. A payload must never write elsewhere.
bool IsSafeEntryName(const std::string& name);

// The name Windows would open for a path in the work folder: case ignored, trailing dots
// and blanks of every part dropped ("a." and "A" are one file).
std::string WindowsNameKey(const std::string& path);

// The length field that starts a block: its first 4 bytes, little-endian.
int32_t BlockLength(const std::string& field);
// Size of a block from its length field: |length|, or -1 for a length that cannot be
// negated (INT32_MIN). Positive lengths mark zlib streams, negative ones stored bytes.
int64_t BlockSize(int32_t length);

// The link from a volume to the one that follows, so that no other file of the next
// volume's name is ever read in its place: a stored block at the end of the volume's
// entries whose entry header is empty (readers of older setups skip such an entry) and
// whose content is kVolumeLinkTag and the SHA-256 of the next volume's whole file. Each
// volume is so bound to the first, which is the launcher itself. Setups built before
// carry no links: their later volumes are taken on their own checksum.
using VolumeDigest = std::array<std::uint8_t, 32>;
constexpr char kVolumeLinkTag[] = "NextVolumeSha256";
constexpr size_t kVolumeLinkBlockSize = 4 + 1 + sizeof kVolumeLinkTag - 1 + 32;
std::string VolumeLinkBlock(const VolumeDigest& next);
// The digest an entry (empty header, NUL, content; as walked) links to; none when it is
// no link.
std::optional<VolumeDigest> ReadVolumeLink(const char* entry, size_t size);

// The first volume's path with a final ".001" removed; volume n is base + ".00n".
std::string VolumeBasePath(const std::string& archivePath);
std::string VolumePath(const std::string& basePath, int volume);

// Only a launcher image (".exe" or ".exe.001", any case) can give an agent copy.
bool CanCarryAgent(const std::string& archivePath);

// The agent copy: the launcher image and header strings of the first volume with no
// stored payload end (offset 252 zeroed), followed by the trailer marked as agent.
// Marks a volume image that ends in its trailer as an update agent (trailer byte 69).
void MarkAsAgent(std::string& volume);
// The agent copy of a web setup, made from its own file (image, headers and trailer, then
// perhaps a code signature), marked as agent: the file up to storedEnd (the low 32 bits
// of the stored payload end) when what follows is exactly the signature that the PE
// header's security directory names (after the up to 7 bytes that align it; the copy's
// directory then names none), the whole file when nothing follows or no end is stored;
// none when other bytes follow, which are not ours to keep or to mark.
std::optional<std::string> WebAgentCopy(std::string file, uint32_t storedEnd);
std::string AgentImage(std::string imageAndHeaders, PayloadTrailer trailer);

// The main progress bar takes a 16-bit maximum. Above that the range is scaled so that
// the bar still ends full: the bar's maximum shrinks by a factor k and only every k-th
// new file steps it.
class TFileProgress {
public:
    explicit TFileProgress(uint32_t filesCount);
    int Maximum() const { return maximum_; }
    // Counts one new file; true when the bar should step for it.
    bool CountFile();

private:
    uint32_t every_ = 1;
    uint32_t counted_ = 0;
    int maximum_ = 0;
};

// The error-box detail after a failed write: the system's reason, then the sizes that
// tell whether the disk ran full.
std::string SpaceReportText(const std::string& reason, int64_t dataSize, int64_t fileSize, double freeBytes);
