#include "payload/Appearance.h"

#include <cctype>

#include "util/Utils.h"

std::string MegabyteText(double bytes)
{
    double mb = bytes > 0 ? bytes / 1048576.0 : 0.0;
    if (!(mb < 1e15))
        mb = mb > 0 ? 1e15 : 0.0;
    return FixedText(mb, mb > 10 ? 1 : mb >= 1 ? 2 : 3);
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
