// Payload blocks made by hand for the tests of the walk over them: a little-endian
// length field, then the entry as it is (negative length) or as a zlib stream.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>

inline std::string BlockField(int32_t length)
{
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>(static_cast<uint32_t>(length) >> (8 * i));
    return b;
}

inline std::string StoredBlock(const std::string& entry)
{
    return BlockField(-static_cast<int32_t>(entry.size())) + entry;
}

inline std::string CompressedBlock(const std::string& entry)
{
    uLongf size = compressBound(static_cast<uLong>(entry.size()));
    std::string z(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(entry.data()),
              static_cast<uLong>(entry.size()), 9);
    z.resize(size);
    return BlockField(static_cast<int32_t>(size)) + z;
}
