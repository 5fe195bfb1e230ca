#include "payload/EntryWriter.h"

#include "payload/WorkFolder.h"
#include "util/FilesWin.h"

namespace {

// Enough queued work that neither thread waits for the other, little enough that the
// memory stays a few entries: many small files, or a few megabytes of large ones.
constexpr size_t kMostQueued = 256;
constexpr size_t kMostQueuedBytes = 6u << 20;
constexpr size_t kMostSpare = 2;
constexpr size_t kWakeBatch = 8;
// How long the window thread waits for the writer between two rounds of messages.
constexpr DWORD kWaitMs = 10;

class Held {
public:
    explicit Held(CRITICAL_SECTION& s) : s_(s) { EnterCriticalSection(&s_); }
    ~Held() { LeaveCriticalSection(&s_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

private:
    CRITICAL_SECTION& s_;
};

} // namespace

TEntryWriter::TEntryWriter(std::function<void()> pump)
    : pump_(std::move(pump)), work_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      done_(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
    // Without its events or thread the writer still works, one write at a time.
    if (work_ && done_)
        thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
}

TEntryWriter::~TEntryWriter()
{
    if (!thread_)
        return;
    {
        Held held(lock_.section);
        stopping_ = true;
    }
    SetEvent(work_.get());
    WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI TEntryWriter::ThreadMain(void* self)
{
    static_cast<TEntryWriter*>(self)->Run();
    return 0;
}

void TEntryWriter::Run()
{
    for (;;) {
        Job job;
        {
            Held held(lock_.section);
            while (queue_.empty() && !stopping_) {
                writerWaits_ = true;
                LeaveCriticalSection(&lock_.section);
                WaitForSingleObject(work_.get(), INFINITE);
                EnterCriticalSection(&lock_.section);
                writerWaits_ = false;
            }
            if (queue_.empty())
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        Perform(job);
        bool wake, more;
        {
            Held held(lock_.section);
            more = !queue_.empty() && queue_.front().append && queue_.front().target == job.target;
        }
        // A file stays open while its next part waits in the queue; otherwise it is
        // finished now, so that whoever waits for the writer finds it complete.
        if (!more)
            Close();
        {
            Held held(lock_.section);
            queuedBytes_ -= job.data.capacity();
            --unfinished_;
            // Woken when half the queue is free (or all is written): one wake for many
            // files, not one per file.
            wake = windowWaits_ &&
                   (unfinished_ == 0 || (queue_.size() <= kMostQueued / 2 && queuedBytes_ <= kMostQueuedBytes / 2));
            if (spare_.size() < kMostSpare)
                spare_.push_back(std::move(job.data));
        }
        // Each event costs a trip to the system: only a waiting thread is woken.
        if (wake)
            SetEvent(done_.get());
    }
}

void TEntryWriter::Close()
{
    // The date of a file that was written whole; its parts all carry the same.
    if (open_ && openStamp_ != 0)
        SetDosDate(open_.get(), openStamp_);
    open_.reset();
    openTarget_.clear();
}

void TEntryWriter::Perform(Job& job)
{
    Failure failure;
    try {
        if (!(open_ && job.append && job.target == openTarget_)) {
            Close();
            if (!job.folder.empty() && job.folder != createdFolder_ && CreateFolderPath(job.folder))
                createdFolder_ = job.folder;
            open_ = OpenForWrite(job.target, job.append);
            if (open_)
                openTarget_ = job.target;
        }
        const SysResult written =
            open_ ? WriteFileBytes(open_.get(), job.data.data() + job.offset, job.size) : SysResult::LastError();
        openStamp_ = job.stamp;
        if (written)
            return;
        // No date for a file that is not complete.
        openStamp_ = 0;
        Close();
        failure.error = written.error;
        failure.exists = PathExists(job.target);
        failure.fileSize = FindFileSize(job.target);
        failure.freeBytes = FreeBytes(job.target);
    } catch (const std::bad_alloc&) {
        failure.error = ERROR_NOT_ENOUGH_MEMORY;
    }
    failure.target = job.target;
    failure.dataSize = static_cast<int64_t>(job.size);
    Held held(lock_.section);
    failures_.push_back(std::move(failure));
}

void TEntryWriter::Write(const std::string& target, const std::string& folder, uint32_t stamp, bool append,
                         std::string& data, size_t offset, size_t size)
{
    Job job{target, folder, stamp, append, std::string(), offset, size};
    job.data.swap(data);
    if (!thread_) {
        Perform(job);
        Close();
        job.data.swap(data);
        return;
    }
    WaitUntil([this] { return unfinished_ == 0 || (queue_.size() < kMostQueued && queuedBytes_ < kMostQueuedBytes); });
    bool wake;
    {
        Held held(lock_.section);
        // The memory held counts, not the bytes to write: a large buffer may carry a small file.
        queuedBytes_ += job.data.capacity();
        ++unfinished_;
        queue_.push_back(std::move(job));
        if (!spare_.empty()) {
            data.swap(spare_.back());
            spare_.pop_back();
        }
        // An idle writer is woken for a batch, not for every small file.
        wake = writerWaits_ && (queue_.size() >= kWakeBatch || queuedBytes_ >= kMostQueuedBytes / 4);
    }
    if (wake)
        SetEvent(work_.get());
}

void TEntryWriter::Drain()
{
    if (thread_)
        WaitUntil([this] { return unfinished_ == 0; });
}

std::vector<TEntryWriter::Failure> TEntryWriter::TakeFailures()
{
    Held held(lock_.section);
    std::vector<Failure> taken;
    taken.swap(failures_);
    return taken;
}

void TEntryWriter::WaitUntil(const std::function<bool()>& done)
{
    for (;;) {
        bool idle;
        {
            Held held(lock_.section);
            windowWaits_ = !done();
            if (!windowWaits_)
                return;
            idle = writerWaits_ && !queue_.empty();
        }
        if (idle)
            SetEvent(work_.get());
        WaitForSingleObject(done_.get(), kWaitMs);
        if (pump_)
            pump_();
    }
}
