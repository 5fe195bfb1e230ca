// A guard against re-entry: a window's work that waits pumping messages can be entered
// again from inside its own wait.
#pragma once

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
