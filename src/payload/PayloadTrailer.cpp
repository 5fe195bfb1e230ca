#include "payload/PayloadTrailer.h"

#include <algorithm>
#include <cstring>

#include "payload/FileReader.h"

bool IsExecutable(TFileReader& file)
{
    char mz[2], pe[2];
    return file.ReadAt(0, mz, 2) && file.ReadAt(256, pe, 2) && mz[0] == 'M' && mz[1] == 'Z' && pe[0] == 'P' &&
           pe[1] == 'E';
}

int64_t StoredPayloadEnd(TFileReader& file)
{
    uint32_t high = 0, low = 0;
    if (!file.ReadU32(kStoredEndHigh, high) || !file.ReadU32(kStoredEndLow, low))
        return 0;
    return static_cast<int64_t>((static_cast<uint64_t>(high) << 32 | low) & INT64_MAX);
}

int64_t EffectivePayloadEnd(TFileReader& file)
{
    if (IsExecutable(file)) {
        const int64_t stored = StoredPayloadEnd(file);
        if (stored > 0)
            return stored;
    }
    return file.Size();
}

PayloadTrailer ReadTrailer(TFileReader& file)
{
    PayloadTrailer t;
    std::memset(&t, 0, sizeof t);
    uint32_t length = 0;
    const int64_t end = EffectivePayloadEnd(file);
    if (file.ReadU32(end - 4, length)) {
        const uint32_t used = std::min(length, kTrailerLength);
        // A length that points before the file start or a stored end beyond the file
        // leaves the record zeroed: the magic test then rejects it.
        if (used > 4)
            file.ReadAt(end - static_cast<int64_t>(length), &t, used - 4);
        t.length = used;
    }
    if (t.headerStringCount == 0)
        t.headerStringCount = 2;
    return t;
}

PayloadTrailer ReadTrailer(const std::string& path)
{
    TFileReader file(path);
    return ReadTrailer(file);
}

uint32_t PayloadChecksum(TFileReader& file, uint32_t trailerLength)
{
    if (file.Size() > kChecksumLimit)
        return kNoChecksum;
    // Only the low word of the stored end counts here: larger files are never summed.
    uint32_t storedLow = 0;
    const bool useStored = IsExecutable(file) && file.ReadU32(kStoredEndLow, storedLow) && storedLow != 0;
    int64_t remaining =
        (useStored ? storedLow : file.Size()) - static_cast<int64_t>(std::min(trailerLength, kTrailerLength));
    int64_t offset = 0;
    if (useStored) {
        offset = 512; // past the headers that signing rewrites
        remaining -= 512;
    }
    uint32_t sum = 0;
    unsigned char piece[4096];
    for (;;) {
        const size_t got = file.ReadSome(offset, piece, sizeof piece);
        offset += static_cast<int64_t>(got);
        for (size_t i = 0; i + 4 <= got; i += 4) {
            remaining -= 4;
            if (remaining > 4)
                sum += piece[i] | piece[i + 1] << 8 | piece[i + 2] << 16 | static_cast<uint32_t>(piece[i + 3]) << 24;
        }
        if (remaining > 4)
            sum += kNoChecksum;
        if (got < sizeof piece)
            break;
    }
    return sum;
}

uint32_t PayloadChecksum(const std::string& path, uint32_t trailerLength)
{
    TFileReader file(path);
    return PayloadChecksum(file, trailerLength);
}

bool ChecksumPasses(uint32_t computed, uint32_t stored)
{
    return computed == stored || computed == kNoChecksum || stored == kNoChecksum;
}

int RequiredSpaceIndex(uint64_t clusterSize)
{
    int index = 0;
    for (int i = 1; i <= 8; ++i)
        if ((uint64_t{256} << i) <= clusterSize)
            index = i;
    return index;
}
