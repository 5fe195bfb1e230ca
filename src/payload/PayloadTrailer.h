// The payload that a builder appends to a copy of the launcher, and the trailer that
// ends every payload volume.
//
//   offset 0                 launcher image ("MZ" at 0, "PE" at 256; the DOS stub
//                            keeps the stored payload end: 248 high word, 252 low word)
//   payload start            header strings, each: u32 length n, n bytes (2 or 3 of them:
//                            language table, update options, [download options])
//   ...                      file entries, each: i32 length L, |L| bytes
//                            (L > 0: zlib stream 78 DA...; L < 0: stored);
//                            inflated entry = "|name|stamp|" NUL content
//   payload end - 74         PayloadTrailer (74 bytes, below)
//   payload end              [anything appended later, e.g. a signature block]
//
// Volumes after the first of a spanned payload hold entries only (payload start = offset
// of the first entry) and end with their own trailer; they carry no stored end.
// All integers are little-endian, which both the host and the i686 target are.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class TFileReader;

#pragma pack(push, 1)
struct PayloadTrailer {
    uint8_t formatByte;        //  0: 1 in current payloads
    uint8_t headerStringCount; //  1: 2, or 3 with download options; 0 reads as 2
    uint8_t reserved1[2];      //  2
    int32_t payloadStart;      //  4: file offset of the first header string / entry
    uint32_t filesCount;       //  8: file entries in the whole payload
    uint32_t magic;            // 12: kPayloadMagic
    uint32_t checksum;         // 16: payload checksum, or kNoChecksum
    uint8_t reserved2[8];      // 20
    uint32_t requiredSpace[9]; // 28: bytes needed, by cluster size (see RequiredSpaceIndex)
    uint8_t reserved3;         // 64
    uint8_t flags;             // 65: kFlag...
    uint8_t webDownload;       // 66
    uint8_t confirmDownload;   // 67
    uint8_t writeUpdateAgent;  // 68
    uint8_t isUpdateAgent;     // 69
    uint32_t length;           // 70: trailer length including this field
};
#pragma pack(pop)

static_assert(sizeof(PayloadTrailer) == 74, "the trailer is a packed 74-byte record");
static_assert(offsetof(PayloadTrailer, magic) == 12 && offsetof(PayloadTrailer, requiredSpace) == 28 &&
                  offsetof(PayloadTrailer, flags) == 65 && offsetof(PayloadTrailer, length) == 70,
              "trailer field offsets are fixed by the file format");

constexpr uint32_t kPayloadMagic = 0x4A3B2C1D;
constexpr uint32_t kTrailerLength = 74;
// Stored (or computed) checksum that always passes: files above kChecksumLimit.
constexpr uint32_t kNoChecksum = 1234;
constexpr int64_t kChecksumLimit = 52428800;
// Offsets of the stored payload end in the DOS stub of an executable.
constexpr int64_t kStoredEndHigh = 248;
constexpr int64_t kStoredEndLow = 252;

enum : uint8_t {
    kFlagShowTempDrive = 0x01,
    kFlagSpanned = 0x02, // another volume follows this one
    kFlagSpanFromDisks = 0x04,
    kFlagShowProgress = 0x08,
    kFlagUpdateLog = 0x10,
};

// "MZ" at 0 and "PE" at 256 (the DOS header's pointer is not followed).
bool IsExecutable(TFileReader& file);
// The payload end kept at 248/252 of an executable; 0 when none is stored or unreadable.
int64_t StoredPayloadEnd(TFileReader& file);
// Where the payload ends: the stored end of an executable when there is one, else the
// file size.
int64_t EffectivePayloadEnd(TFileReader& file);

// Locates and reads the trailer: a zeroed record when there is none, filled as far as
// the file's trailer goes (older, shorter trailers leave later fields zero); length is
// min(74, stored length) and a header string count of 0 reads as 2.
PayloadTrailer ReadTrailer(TFileReader& file);
PayloadTrailer ReadTrailer(const std::string& path);

// Payload checksum of a file whose trailer has the given length.
uint32_t PayloadChecksum(TFileReader& file, uint32_t trailerLength);
uint32_t PayloadChecksum(const std::string& path, uint32_t trailerLength);
// The stored value passes when it equals the computed one or either is kNoChecksum.
bool ChecksumPasses(uint32_t computed, uint32_t stored);

// Index into requiredSpace for a drive's cluster size in bytes (0 = unknown).
int RequiredSpaceIndex(uint64_t clusterSize);
