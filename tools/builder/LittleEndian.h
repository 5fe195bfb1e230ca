// Little-endian fields in byte strings, as every format the builder writes stores them.
// Reads take an offset the caller has checked against the string's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline uint32_t Get16(const std::string& b, size_t at)
{
    return static_cast<unsigned char>(b[at]) | static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}
inline uint32_t Get32(const std::string& b, size_t at) { return Get16(b, at) | Get16(b, at + 2) << 16; }
inline void Put16(std::string& b, size_t at, uint32_t v)
{
    b[at] = static_cast<char>(v);
    b[at + 1] = static_cast<char>(v >> 8);
}
inline void Put32(std::string& b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
inline void Add16(std::string& b, uint32_t v)
{
    b.append(2, '\0');
    Put16(b, b.size() - 2, v);
}
inline void Add32(std::string& b, uint32_t v)
{
    b.append(4, '\0');
    Put32(b, b.size() - 4, v);
}
// The 4 bytes of a value.
inline std::string U32(uint32_t v)
{
    std::string b(4, '\0');
    Put32(b, 0, v);
    return b;
}
