// A stand-in for the bare launcher in builder tests: "MZ", the PE header of a Windows
// program at 256 (GUI unless told otherwise), nothing stored at 248.
#pragma once

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
