#include "payload/Appearance.h"

#include <cstdio>

std::string MegabyteText(double bytes)
{
    const double mb = bytes > 0 ? bytes / 1048576.0 : 0.0;
    const int decimals = mb > 10 ? 1 : mb >= 1 ? 2 : 3;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, mb);
    return text;
}
