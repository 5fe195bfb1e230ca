#include "util/TraceLock.h"

#include <windows.h>

namespace {

CRITICAL_SECTION& Section()
{
    // Never destroyed: tracing stays safe during static destruction at exit.
    static CRITICAL_SECTION* section = [] {
        auto* s = new CRITICAL_SECTION;
        ::InitializeCriticalSection(s);
        return s;
    }();
    return *section;
}

} // namespace

void LockTrace() { ::EnterCriticalSection(&Section()); }
void UnlockTrace() { ::LeaveCriticalSection(&Section()); }
