// The trace channel's lock. Recursive: on Windows the viewer dispatch sends a message
// synchronously, and anything handled during that send may trace again on the same
// thread. On Windows it is a critical section, so that the launcher needs no POSIX
// thread layer; elsewhere (native tests and tools) the standard library's.
#pragma once

// Takes the lock, waiting for another thread that holds it.
void LockTrace();
void UnlockTrace();

// Holds the lock for its lifetime.
class TraceLockHeld {
public:
    TraceLockHeld() { LockTrace(); }
    ~TraceLockHeld() { UnlockTrace(); }
    TraceLockHeld(const TraceLockHeld&) = delete;
    TraceLockHeld& operator=(const TraceLockHeld&) = delete;
};
