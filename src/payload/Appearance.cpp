#include "payload/Appearance.h"

#include <cctype>
#include <cmath>
#include <cstdint>

std::string MegabyteText(double bytes)
{
    // Digits of our own rather than the C library's formatting, which would bring its
    // whole floating-point printer into the launcher. Rounding is printf's: to nearest,
    // ties to even (the scaled counts are exact for any disk).
    double mb = bytes > 0 ? bytes / 1048576.0 : 0.0;
    if (!(mb < 1e15))
        mb = mb > 0 ? 1e15 : 0.0;
    const int decimals = mb > 10 ? 1 : mb >= 1 ? 2 : 3;
    const uint64_t scale = decimals == 1 ? 10 : decimals == 2 ? 100 : 1000;
    const uint64_t scaled = static_cast<uint64_t>(std::nearbyint(mb * static_cast<double>(scale)));
    std::string fraction = std::to_string(scaled % scale);
    fraction.insert(0, static_cast<size_t>(decimals) - fraction.size(), '0');
    return std::to_string(scaled / scale) + "." + fraction;
}

char RoomierDrive(char tempLetter, const double (&freeBytes)[3])
{
    char best = static_cast<char>(std::toupper(static_cast<unsigned char>(tempLetter)));
    double bestFree = 0;
    for (int i = 0; i < 3; ++i)
        if (freeBytes[i] > bestFree) {
            bestFree = freeBytes[i];
            best = static_cast<char>('C' + i);
        }
    return best;
}
