// The extraction's writer. Windows only.
//
// Files are written on a thread of their own, in the order their entries were handed
// over, while the window thread reads and inflates the next entries: the two halves of
// the work overlap on two cores. Everything else stays on the window thread: the
// progress callback, the boxes, the message pumping and every decision about names. A
// failed write comes back to it, in entry order, with what the error box shows taken
// right after the failure. A little is queued at a time; while the queue is full the
// window thread waits, letting window messages run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "util/ScopedWin.h"

class TEntryWriter {
public:
    struct Failure {
        std::string target;
        DWORD error = 0; // the system's error of the failed call
        int64_t dataSize = 0;
        int64_t fileSize = 0; // the file's size after the failure
        double freeBytes = 0; // free bytes on its drive after the failure
        bool exists = false;  // the failed write left a file
    };

    // pump lets window messages run; it is called while the window thread waits.
    explicit TEntryWriter(std::function<void()> pump);
    // Writes what is still queued, then ends the thread.
    ~TEntryWriter();
    TEntryWriter(const TEntryWriter&) = delete;
    TEntryWriter& operator=(const TEntryWriter&) = delete;

    // Queues data[offset, offset + size) for target (appended when append is set, the
    // date set to stamp unless 0), after creating folder when it is not empty. The
    // writer takes data's memory and leaves a buffer it is done with (or an empty one)
    // in its place.
    void Write(const std::string& target, const std::string& folder, uint32_t stamp, bool append, std::string& data,
               size_t offset, size_t size);
    // Waits until everything queued is written.
    void Drain();
    // The failures since the last call, in entry order.
    std::vector<Failure> TakeFailures();

private:
    struct Job {
        std::string target, folder;
        uint32_t stamp;
        bool append;
        std::string data;
        size_t offset, size;
    };
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    void Perform(Job& job);
    void Close();
    void WaitUntil(const std::function<bool()>& done);

    // Guards everything below it.
    struct Lock {
        CRITICAL_SECTION section;
        Lock() { InitializeCriticalSection(&section); }
        ~Lock() { DeleteCriticalSection(&section); }
    } lock_;
    std::deque<Job> queue_;
    size_t queuedBytes_ = 0; // memory held by the queue
    size_t unfinished_ = 0;  // queued or being written
    bool stopping_ = false;
    bool writerWaits_ = false, windowWaits_ = false; // for work_ and done_
    std::vector<Failure> failures_;
    std::vector<std::string> spare_;

    std::function<void()> pump_;
    // The writer thread's own: the last folder made, and the file being written while
    // its next parts follow.
    std::string createdFolder_;
    ScopedFile open_;
    std::string openTarget_;
    uint32_t openStamp_ = 0;
    ScopedHandle work_, done_; // auto-reset: a job was queued; a job was finished
    ScopedHandle thread_;      // none: every write is made at once on the calling thread
};
