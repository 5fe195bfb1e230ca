// A stand-in for the bare launcher in builder tests: "MZ", the PE header of a Windows
// program at 256 (GUI unless told otherwise), nothing stored at 248.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

inline std::string FakeLauncher(int subsystem = 2)
{
    std::string b(1024, '\0');
    b[0] = 'M', b[1] = 'Z', b[256] = 'P', b[257] = 'E';
    b[256 + 20] = static_cast<char>(224);            // size of the optional header
    b[256 + 24] = 0x0B, b[256 + 25] = 0x01;          // PE32
    b[256 + 24 + 68] = static_cast<char>(subsystem); // 2: GUI, 3: console
    return b;
}

// Appends a code signature of length bytes to an image made from FakeLauncher, after
// padding bytes, and names it in the PE32 or PE32+ header's security directory (the fifth;
// its offset and size), as a signing tool does.
inline void AppendSignature(std::string& image, size_t length, size_t padding = 0, bool plus = false)
{
    image[256 + 24 + 1] = plus ? 0x02 : 0x01;
    const size_t count = 256 + 24 + (plus ? 108 : 92);
    const uint32_t fields[] = {16, static_cast<uint32_t>(image.size() + padding), static_cast<uint32_t>(length)};
    std::memcpy(&image[count], &fields[0], 4);
    std::memcpy(&image[count + 4 + 4 * 8], &fields[1], 8);
    image += std::string(padding, '\0') + std::string(length, 'S');
}
