#include "util/TraceLock.h"

#include <mutex>

namespace {

std::recursive_mutex& Lock()
{
    // Never destroyed: tracing stays safe during static destruction at exit.
    static std::recursive_mutex* lock = new std::recursive_mutex;
    return *lock;
}

} // namespace

void LockTrace() { Lock().lock(); }
void UnlockTrace() { Lock().unlock(); }
