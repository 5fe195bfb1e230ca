#include "agent/OriginalFile.h"

#include <cmath>

std::int64_t SecondsFromDateTime(const DateTime& when)
{
    return static_cast<std::int64_t>(std::llround(DaysFromDateTime(when) * 86400.0));
}

std::string ReadableSeconds(std::int64_t seconds)
{
    return DateTimeText(DateTimeFromDays(static_cast<double>(seconds) / 86400.0));
}
