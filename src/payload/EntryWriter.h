// The extraction's writer. Windows only.
//
// Files are written on a thread of their own, in the order their entries were handed
// over, while the window thread reads and inflates the next entries: the two halves of
// the work overlap on two cores. Everything else stays on the window thread: the
// progress callback, the boxes, the message pumping and every decision about names. A
// failed write comes back to it, in entry order, with what the error box shows taken
// right after the failure. A little is queued at a time; while the queue is full the
// window thread writes the newest queued file itself (many small files cost more to
// create than to inflate) or waits, letting window messages run. A large part whose
// entry comes before everything queued is written by the window thread at once.
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
    // date set to stamp unless 0), after creating folder when it is not empty. order is
    // the entry's place among all entries (files written ahead come with later ones). The
    // writer takes data's memory and leaves a buffer it is done with (or an empty one)
    // in its place, or copies the bytes when they are a small part of data; data stays
    // as it was when a large part is written at once. ahead: the entry is written ahead of
    // the ones before it, and none of them touches its file.
    void Write(uint64_t order, const std::string& target, const std::string& folder, uint32_t stamp, bool append,
               std::string& data, size_t offset, size_t size, bool ahead = false);
    // Whether a write can be queued now without waiting.
    bool HasRoom();
    // Waits until everything queued is written.
    void Drain();
    // The failures so far of the entries before the order given, in entry order, once
    // every queued entry before them is written.
    std::vector<Failure> TakeFailures(uint64_t before = UINT64_MAX);

private:
    struct Job {
        std::string target, folder;
        uint32_t stamp;
        bool append;
        std::string data;
        size_t offset, size;
        uint64_t order = 0;
        bool copied = false; // data is a copy, not a buffer the caller handed over
    };
    // A thread's file being written while its next parts follow, and its last folder made.
    struct Stream {
        ScopedFile file;
        std::string target;
        uint32_t stamp = 0;
        std::string createdFolder;
    };
    struct Ordered {
        uint64_t order;
        Failure failure;
    };
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    void Perform(Job& job, Stream& stream);
    static void Close(Stream& stream);
    // Whether the queue takes another job; under the lock.
    bool Roomy() const;
    // Accounts for a job taken off the queue and done; under the lock.
    void Finished(Job& job);
    // Writes the newest queued file on the calling thread when it can be written apart
    // from the others; false when there is none.
    bool HelpOut();
    void WaitUntil(const std::function<bool()>& done);
    // Whether a large part of the order given is written on the calling thread at once
    // rather than queued: while the writer is busy making files handed out ahead, a large
    // part costs little more to write than to inflate, and the writer is left the files,
    // whose making costs the most.
    bool WritesHere(uint64_t order);

    // Guards everything below it.
    struct Lock {
        CRITICAL_SECTION section;
        Lock() { InitializeCriticalSection(&section); }
        ~Lock() { DeleteCriticalSection(&section); }
    } lock_;
    std::deque<Job> queue_;
    size_t queuedBytes_ = 0;        // memory held by the queue
    size_t unfinished_ = 0;         // queued or being written
    uint64_t writing_ = UINT64_MAX; // the order of the entry the writer thread works on
    bool stopping_ = false;
    bool writerWaits_ = false, windowWaits_ = false; // for work_ and done_
    std::vector<Ordered> failures_;
    std::vector<std::string> spare_;

    std::function<void()> pump_;
    Stream stream_;            // the writer thread's own
    Stream own_;               // the calling thread's: large parts written as they come
    ScopedHandle work_, done_; // auto-reset: a job was queued; a job was finished
    ScopedHandle thread_;      // none: every write is made at once on the calling thread
};
