// Entry guards. Nothing may throw through a frame of the system's (a window procedure,
// a timer callback, a thread start): the system cannot unwind it, and a half-done tick
// must not leave the program unable to run the next one.
#pragma once

#include <exception>
#include <string_view>

#include "util/KDebug.h"

// Runs f. An exception it throws is traced as the exception line naming `where` and
// goes no further. True when f returned normally.
template <class F> bool Guarded(std::string_view where, F&& f) noexcept
{
    try {
        f();
        return true;
    } catch (const std::exception& error) {
        try {
            LogException(error, where);
        } catch (...) { // tracing needs memory too; the guard itself must hold
        }
    } catch (...) {
        try {
            LogException("unknown exception", where);
        } catch (...) {
        }
    }
    return false;
}

// Marks a piece of work as running for as long as the guard lives, however the work
// ends. A second entry while the flag is set does not enter (`Entered()` is false)
// and leaves the flag to its owner.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : flag_(flag), entered_(!flag) { flag_ = true; }
    ~BusyGuard()
    {
        if (entered_)
            flag_ = false;
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    bool Entered() const { return entered_; }

private:
    bool& flag_;
    const bool entered_;
};
