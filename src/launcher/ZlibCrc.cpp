// zlib's crc32, for the launcher alone. zlib's inflate checks a gzip stream with it, and
// that reference alone brings zlib's table-driven CRC (8 KB) into the launcher, which
// inflates zlib streams only (checked with Adler-32). This gives the same values one bit
// at a time. zlib's own must not come in beside it: the link fails with two definitions.
#include <zlib.h>

#include "payload/ZInflate.h"

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len)
{
    // zlib's rule: no data gives the starting value.
    return buf ? BitwiseCrc32(static_cast<uint32_t>(crc), buf, len) : 0;
}
