// The clock of the seeds on every system but Windows (UtilsWin.cpp has Windows' own).
#include <chrono>

#include "util/Utils.h"

uint64_t FineClockTicks()
{
    return static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}
