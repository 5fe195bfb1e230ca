#include "payload/EntryWriter.h"

#include <algorithm>

#include "payload/WorkFolder.h"
#include "util/FilesWin.h"

namespace {

// Enough queued work that neither thread waits for the other, little enough that the
// memory stays a few entries: many small files, or a few megabytes of large ones.
constexpr size_t kMostQueued = 256;
constexpr size_t kMostQueuedBytes = 6u << 20;
constexpr size_t kMostSpare = 4;
constexpr size_t kMostCopied = 256u << 10;
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
    Close(own_);
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
            writing_ = job.order;
        }
        Perform(job, stream_);
        bool wake, more;
        {
            Held held(lock_.section);
            more = !queue_.empty() && queue_.front().append && queue_.front().target == job.target;
        }
        // A file stays open while its next part waits in the queue; otherwise it is
        // finished now, so that whoever waits for the writer finds it complete.
        if (!more)
            Close(stream_);
        {
            Held held(lock_.section);
            writing_ = UINT64_MAX;
            Finished(job);
            // Woken when half the queue is free (or all is written): one wake for many
            // files, not one per file.
            wake = windowWaits_ &&
                   (unfinished_ == 0 || (queue_.size() <= kMostQueued / 2 && queuedBytes_ <= kMostQueuedBytes / 2));
        }
        // Each event costs a trip to the system: only a waiting thread is woken.
        if (wake)
            SetEvent(done_.get());
    }
}

void TEntryWriter::Finished(Job& job)
{
    queuedBytes_ -= job.data.capacity();
    --unfinished_;
    if (!job.copied && spare_.size() < kMostSpare)
        spare_.push_back(std::move(job.data));
}

void TEntryWriter::Close(Stream& stream)
{
    // The date of a file that was written whole; its parts all carry the same.
    if (stream.file && stream.stamp != 0)
        SetDosDate(stream.file.get(), stream.stamp);
    stream.file.reset();
    stream.target.clear();
}

void TEntryWriter::Perform(Job& job, Stream& stream)
{
    if (!(stream.file && job.append && job.target == stream.target)) {
        Close(stream);
        if (!job.folder.empty() && job.folder != stream.createdFolder && CreateFolderPath(job.folder))
            stream.createdFolder = job.folder;
        stream.file = OpenForWrite(job.target, job.append);
        if (stream.file)
            stream.target = job.target;
    }
    const SysResult written = stream.file ? WriteFileBytes(stream.file.get(), job.data.data() + job.offset, job.size)
                                          : SysResult::LastError();
    stream.stamp = job.stamp;
    if (written)
        return;
    // No date for a file that is not complete.
    stream.stamp = 0;
    Close(stream);
    Failure failure;
    failure.error = written.error;
    failure.exists = PathExists(job.target);
    failure.fileSize = FindFileSize(job.target);
    failure.freeBytes = FreeBytes(job.target);
    failure.target = job.target;
    failure.dataSize = static_cast<int64_t>(job.size);
    Held held(lock_.section);
    // Kept in entry order: the window thread's files may fail before earlier ones.
    const auto later = std::upper_bound(failures_.begin(), failures_.end(), job.order,
                                        [](uint64_t order, const Ordered& f) { return order < f.order; });
    failures_.insert(later, {job.order, std::move(failure)});
}

void TEntryWriter::Write(uint64_t order, const std::string& target, const std::string& folder, uint32_t stamp,
                         bool append, std::string& data, size_t offset, size_t size, bool ahead)
{
    Job job{target, folder, stamp, append, std::string(), offset, size, order, false};
    // A small file in a large buffer is copied out: the queue's limit counts the memory
    // held, and large buffers would leave room for a few small files only.
    const bool copied = thread_ && (size < data.capacity() / 4 || size <= kMostCopied);
    if (copied) {
        job.data.assign(data, offset, size);
        job.offset = 0;
        job.copied = true;
    } else {
        job.data.swap(data);
    }
    if (!thread_) {
        Perform(job, stream_);
        Close(stream_);
        job.data.swap(data);
        return;
    }
    if (!copied && WritesHere(order)) {
        Perform(job, own_);
        job.data.swap(data);
        return;
    }
    // An entry in order may touch the calling thread's file: that is finished first.
    if (!ahead)
        Close(own_);
    WaitUntil([this] { return Roomy(); });
    bool wake;
    {
        Held held(lock_.section);
        // The memory held counts, not the bytes to write: a large buffer may carry a small file.
        queuedBytes_ += job.data.capacity();
        ++unfinished_;
        queue_.push_back(std::move(job));
        if (!copied && !spare_.empty()) {
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
    Close(own_);
    if (thread_)
        WaitUntil([this] { return unfinished_ == 0; });
}

bool TEntryWriter::HasRoom()
{
    if (!thread_)
        return true;
    Held held(lock_.section);
    return Roomy();
}

bool TEntryWriter::Roomy() const
{
    return unfinished_ == 0 || (queue_.size() < kMostQueued && queuedBytes_ < kMostQueuedBytes);
}

bool TEntryWriter::WritesHere(uint64_t order)
{
    Held held(lock_.section);
    // The writer has work, and all of it comes after this entry: files written ahead,
    // which no entry up to them touches. Written here at once, the part keeps the order
    // of a walk in order.
    if (queue_.empty() || writing_ < order)
        return false;
    for (const Job& job : queue_)
        if (job.order < order)
            return false;
    return true;
}

std::vector<TEntryWriter::Failure> TEntryWriter::TakeFailures(uint64_t before)
{
    Held held(lock_.section);
    // A failure is told once every entry before it is done; the queue holds entries
    // written ahead before earlier ones.
    uint64_t unfinished = std::min(writing_, before);
    for (const Job& job : queue_)
        unfinished = std::min(unfinished, job.order);
    std::vector<Failure> taken;
    auto told = failures_.begin();
    for (; told != failures_.end() && told->order < unfinished; ++told)
        taken.push_back(std::move(told->failure));
    failures_.erase(failures_.begin(), told);
    return taken;
}

bool TEntryWriter::HelpOut()
{
    Job job;
    {
        Held held(lock_.section);
        // The newest job, when it starts a file: nothing queued before it has that name
        // (the same name again is an append), so it can be written beside the writer. The
        // oldest stays the writer's.
        if (queue_.size() < 2 || queue_.back().append)
            return false;
        job = std::move(queue_.back());
        queue_.pop_back();
    }
    Stream stream;
    Perform(job, stream);
    Close(stream);
    Held held(lock_.section);
    Finished(job);
    return true;
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
        // Creating a file costs more than inflating a small one: rather than wait, the
        // window thread writes one too.
        if (!HelpOut())
            WaitForSingleObject(done_.get(), kWaitMs);
        if (pump_)
            pump_();
    }
}
