#include "payload/UnPack.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "util/FilesWin.h"
#include "payload/FileReader.h"
#include "payload/EntryWalk.h"
#include "payload/EntryWriter.h"
#include "payload/GFileInfo.h"
#include "payload/PayloadEntry.h"
#include "payload/PayloadTrailer.h"
#include "payload/ReadAhead.h"
#include "payload/WorkFolder.h"
#include "payload/ZInflate.h"
#include "ui/KMsgBox.h"
#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"

namespace {

constexpr int64_t kReadPiece = 65536;
// Letting window messages run costs a round trip to the window system each time: more
// often than this keeps nothing more alive and slows the extraction down.
constexpr DWORD kPumpInterval = 10;
// The boxes have no owner window and repeat their title as a heading.
const BoxOwner kBoxOwner = BoxOwner::ActiveWithHeading();

int g_failures = 0;

DWORD g_lastPump = 0;

void Pump()
{
    const DWORD now = GetTickCount();
    if (now - g_lastPump >= kPumpInterval) {
        g_lastPump = now;
        YieldX(0);
    }
}

// Which files exist in the work folder. Asking the file system about a name that is not
// there means a search of the whole folder on some systems (case-insensitive lookups on
// a case-sensitive disk), which would make unpacking n files cost n squared: each folder
// is listed once, and what this extraction creates is added as it goes.
class TKnownFiles {
public:
    // settle runs before the file system is asked, so that it sees every file written
    // so far.
    bool Exists(const std::string& path, const std::function<void()>& settle)
    {
        const size_t cut = path.find_last_of('\\');
        const std::string folder = WindowsNameKey(path.substr(0, cut == std::string::npos ? 0 : cut));
        if (listed_.insert(folder).second)
            List(path.substr(0, cut == std::string::npos ? 0 : cut));
        if (names_.count(WindowsNameKey(path)))
            return true;
        // A short alias ("LONGNA~1.TXT") names a file the listing knows by its long name
        // only: the file system answers for those, so that the file is appended to.
        if (path.find('~', cut == std::string::npos ? 0 : cut) == std::string::npos)
            return false;
        settle();
        return PathExists(path);
    }
    void Add(const std::string& path) { names_.insert(WindowsNameKey(path)); }
    void Remove(const std::string& path) { names_.erase(WindowsNameKey(path)); }

private:
    void List(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        ScopedFind find(FindFirstFileA((folder + "\\*").c_str(), &found));
        if (!find)
            return;
        do
            names_.insert(WindowsNameKey(folder + "\\" + found.cFileName));
        while (FindNextFileA(find.get(), &found));
    }

    std::unordered_set<std::string> listed_;
    std::unordered_set<std::string> names_;
};

void Report(const ExtractProgress& progress, int kind, int maximum)
{
    if (progress)
        progress(kind, 0, maximum, 0, 1, std::string());
}

// The file's modification time in the packed DOS form of the file-date operations.
uint32_t DosStampOf(HANDLE file)
{
    FILETIME written, local;
    WORD date = 0, time = 0;
    if (!GetFileTime(file, nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return static_cast<uint32_t>(date) << 16 | time;
}

// Counts a file that could not be written; the first one of the process is shown,
// unless nobody watches.
void WriteFailed(const std::string& target, const std::string& detail, bool quiet)
{
    TraceLine(ProcessIdText(), " UnPack: not written: ", target);
    if (++g_failures == 1 && !quiet)
        MsgError(kBoxOwner, target + "<P><P>Unable to save Extracted File!<P><P>" + detail);
}

class Extraction {
public:
    explicit Extraction(const ExtractRequest& request) : request_(request) {}
    ExtractResult Run();

private:
    // Checks one volume and, when its checksum passes, unpacks its entries.
    void Volume();
    void Entries(HANDLE file, int64_t position, int64_t end);
    void Entry(const WalkedEntry& entry);
    // Hands an entry's content to the writer, making the file unless append is set; ahead:
    // handed out by the read-ahead.
    void Queue(uint64_t order, const std::string& target, bool append, const WalkedEntry& entry, bool ahead);
    // Writes the small files after the large entry at position while the walk inflates it.
    void ReadAhead(TReadAhead& ahead, int64_t position);
    // An entry's place among all entries of the payload.
    uint64_t Order(int64_t position) const
    {
        return static_cast<uint64_t>(volume_) << 40 | static_cast<uint64_t>(position);
    }
    void WriteAgent(TFileReader& reader, HANDLE file);
    // The file of the work folder that an entry name gives.
    std::string Target(const std::string& name) const;
    // Clears a run target whose program is no accepted entry, counting it as a failure.
    void CheckRunTarget();
    // Shows and counts the writer's failures of the entries before the order given, as if
    // each had just happened.
    void ReportWriteFailures(uint64_t before);
    // Waits for the next volume; false when the user cancelled.
    bool NextVolume();
    // Whether the volume is the one the volume before links to (always, when it links to
    // none); a bound volume comes back held open for reading alone.
    ScopedFile HoldBound(bool& bound) const;

    const ExtractRequest& request_;
    ExtractResult result_;
    std::string archive_;
    int volume_ = 1;
    PayloadTrailer trailer_{};
    // The digest the next volume must have (the link of the last one walked); none for a
    // setup built before volumes were linked.
    std::optional<VolumeDigest> link_;
    TEntryWalk walk_{Pump};
    TFileProgress files_{0};
    TKnownFiles known_;
    // The files of the accepted entries (WindowsNameKey): the only ones that may be started.
    std::unordered_set<std::string> accepted_;
    // Writes while the next entries are read and inflated.
    TEntryWriter writer_{Pump};
};

ExtractResult Extraction::Run()
{
    const DWORD start = GetTickCount();
    const int failuresBefore = g_failures;
    const std::string base = request_.volumeBase.empty() ? VolumeBasePath(request_.archivePath) : request_.volumeBase;
    archive_ = request_.archivePath;
    std::memset(&trailer_, 0, sizeof trailer_);
    Report(request_.progress, 0, 0);

    bool proceed = true;
    for (;;) {
        if (PathExists(archive_)) {
            Volume();
            // A damaged entry ends the extraction at once.
            if (result_.damagedEntry != 0)
                return result_;
            // A damaged volume, or one that could not be read whole, ends everything.
            if (!result_.checksumOk || result_.incomplete)
                break;
        } else if (volume_ > 1) {
            // Gone again since the prompt found it (a disk taken out at once): ask for it
            // once more rather than go on without its files.
            proceed = NextVolume();
            if (!proceed)
                break;
            continue;
        }
        if (!(trailer_.flags & kFlagSpanned))
            break;
        // A disk change must not start the system's automatic play over our window.
        SetAutoPlaySuppression(true);
        archive_ = VolumePath(base, ++volume_);
        proceed = NextVolume();
        Report(request_.progress, 1, 0);
        if (!proceed)
            break;
    }

    if (!proceed) {
        result_.runTarget.clear();
        result_.cancelled = !result_.incomplete;
    }
    CheckRunTarget();
    result_.writeFailures = g_failures - failuresBefore;
    TraceLine("UnCompressTime: ", static_cast<int64_t>(GetTickCount() - start), " MS");
    TraceLine();
    SleepPumping(0, 500);
    return result_;
}

bool Extraction::NextVolume()
{
    if ((!request_.forcePrompt || request_.quiet) && PathExists(archive_))
        return true;
    if (request_.quiet) {
        TraceLine(ProcessIdText(), " UnPack: no volume ", archive_);
        result_.incomplete = true;
        return false;
    }
    EjectCD(archive_);
    const std::string prompt = ReplaceAll(request_.diskPrompt, "<DISK_NUM>", std::to_string(volume_));
    bool proceed;
    do {
        proceed = MsgConfirmOkCancel(kBoxOwner, prompt, request_.promptTitle, request_.buttons, request_.charset);
        SleepPumping(0, 500);
    } while (proceed && !PathExists(archive_));
    return proceed;
}

ScopedFile Extraction::HoldBound(bool& bound) const
{
    bound = true;
    if (!link_)
        return ScopedFile();
    // Held from its hash to its last entry: nobody can write, rename or delete it between.
    ScopedFile held(CreateFileA(archive_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const std::optional<VolumeDigest> digest =
        held && request_.hashVolume ? request_.hashVolume(held.get()) : std::nullopt;
    bound = digest == link_;
    if (!bound)
        TraceLine(ProcessIdText(), " UnPack: volume ", volume_, " is not the one the setup links to: ", archive_);
    return held;
}

void Extraction::Volume()
{
    bool bound = false;
    const ScopedFile held = HoldBound(bound);
    if (!bound) {
        result_.checksumOk = false;
        return;
    }
    TFileReader reader(archive_);
    trailer_ = ReadTrailer(reader);
    if (volume_ == 1)
        TraceLine("FileInfo.FilesCount=", trailer_.filesCount);
    result_.checksumOk = ChecksumPasses(PayloadChecksum(reader, trailer_.length), trailer_.checksum);
    if (!result_.checksumOk)
        return;

    ScopedFile file(CreateFileA(archive_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const int64_t end = EffectivePayloadEnd(reader);
    TraceLine("FileLen=", end);
    if (trailer_.magic != kPayloadMagic)
        return;

    if (volume_ == 1) {
        files_ = TFileProgress(trailer_.filesCount);
        Report(request_.progress, 0, files_.Maximum());
    }
    if (const SysResult created = CreateFolderPath(request_.workFolder); !created) {
        result_.folderFailed = true;
        if (!request_.quiet)
            MsgError(kBoxOwner,
                     request_.workFolder + "<P><P>Unable to create Directory!<P><P>" + ErrorText(created.error));
    }

    const int64_t position = trailer_.payloadStart;
    if (!file || position < 0 || SeekFile64(file.get(), 0, position) != position)
        TraceLine(ProcessIdText(), " UnPack: cannot read ", archive_);
    else
        Entries(file.get(), position, end);

    if (volume_ == 1 && result_.damagedEntry == 0 && !FileNamePart(request_.agentFileName).empty() &&
        CanCarryAgent(archive_) && file)
        WriteAgent(reader, file.get());
}

void Extraction::Entries(HANDLE file, int64_t position, int64_t end)
{
    const auto read = [file](std::string& into, size_t n) {
        return ReadBlock(file, into, static_cast<int64_t>(n)) == static_cast<int64_t>(n);
    };
    // The read-ahead reads through a handle of its own, the walk's position untouched.
    const ScopedFile aheadFile(CreateFileA(archive_.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    TReadAhead ahead(
        [&aheadFile](int64_t offset, std::string& into, size_t n) {
            return SeekFile64(aheadFile.get(), 0, offset) == offset &&
                   ReadBlock(aheadFile.get(), into, static_cast<int64_t>(n)) == static_cast<int64_t>(n);
        },
        end);
    walk_.SetAhead(
        [this, &ahead, &aheadFile](int64_t at, int32_t length, int64_t size) -> std::optional<EntryHeader> {
            if (std::optional<EntryHeader> written = ahead.Taken(at))
                return written;
            if (aheadFile && length > 0 && size > kLargeBlock)
                ReadAhead(ahead, at);
            return std::nullopt;
        },
        [file](int64_t n) { return SeekFile64(file, 1, n) >= 0; });
    const WalkStop stop =
        walk_.Volume(read, position, end, trailer_.headerStringCount, [this](const WalkedEntry& e) { Entry(e); });
    walk_.SetAhead(nullptr, nullptr);
    link_ = walk_.NextVolume();
    // Every file of the volume (up to a damaged entry) is complete before its agent copy,
    // the next disk or the end.
    writer_.Drain();
    ReportWriteFailures(stop == WalkStop::End ? UINT64_MAX : Order(walk_.Position()));
    // Files written ahead of an entry that ended the walk are not the payload's: none stays.
    for (const std::string& name : ahead.Unreached()) {
        DeleteFileA(Target(name).c_str());
        known_.Remove(Target(name));
    }
    writer_.TakeFailures();
    switch (stop) {
    case WalkStop::End: break;
    case WalkStop::Damaged:
        TraceLine(ProcessIdText(), " UnPack: damaged entry at ", walk_.Position(), ": ", ZLibMessage(walk_.Error()),
                  ": ", archive_);
        result_.damagedEntry = walk_.Error();
        return;
    case WalkStop::Short:
        TraceLine(ProcessIdText(), " UnPack: volume ends early at ", walk_.Position(), ": ", archive_);
        result_.incomplete = true;
        break;
    case WalkStop::BadLength:
        TraceLine(ProcessIdText(), " UnPack: block length ", walk_.Length(), " at ", walk_.Position(), " runs past ",
                  end, ": ", archive_);
        result_.incomplete = true;
        break;
    }
    result_.runTarget = walk_.RunTarget();
}

std::string Extraction::Target(const std::string& name) const
{
    return request_.workFolder + "\\" + ReplaceChar(name, '/', '\\');
}

void Extraction::CheckRunTarget()
{
    // Only a file this extraction wrote may be started: a program part that differs from
    // every accepted name (blanks that only the trimming removes) names something else.
    const std::string program = RunTargetProgram(result_.runTarget);
    if (result_.runTarget.empty() || accepted_.count(WindowsNameKey(Target(program))))
        return;
    TraceLine(ProcessIdText(), " UnPack: refused run target >>", result_.runTarget, "<<");
    WriteFailed(program, "The program to start is no file of the setup.", request_.quiet);
    result_.runTarget.clear();
}

void Extraction::Entry(const WalkedEntry& entry)
{
    const EntryHeader& header = entry.header;
    const uint64_t order = Order(entry.position);
    if (!entry.refusal.empty()) {
        // Failures are told in entry order: the writes before this one first.
        writer_.Drain();
        ReportWriteFailures(order);
        TraceLine(ProcessIdText(), " UnPack: refused entry >>", header.name, "<< ", entry.refusal);
        WriteFailed(header.name, entry.refusal, request_.quiet);
        return;
    }
    const std::string target = Target(header.name);
    accepted_.insert(WindowsNameKey(target));
    // Written ahead: always a new file.
    const bool exists = !entry.written && known_.Exists(target, [this] { writer_.Drain(); });
    if (!exists && files_.CountFile())
        Report(request_.progress, 1, 0);
    if (!entry.written)
        Queue(order, target, exists, entry, false);
    ReportWriteFailures(order + 1);
}

void Extraction::Queue(uint64_t order, const std::string& target, bool append, const WalkedEntry& entry, bool ahead)
{
    std::string folder;
    if (!append) {
        const size_t cut = target.find_last_of('\\');
        if (cut > request_.workFolder.size())
            folder = target.substr(0, cut);
        // The writer creates it (appending to a file that is not there creates it too); a
        // failure to do so takes the name out again.
        known_.Add(target);
    }
    writer_.Write(order, target, folder, entry.header.stamp, append, *entry.buffer, entry.contentOffset,
                  entry.contentSize, ahead);
}

void Extraction::ReadAhead(TReadAhead& ahead, int64_t position)
{
    ahead.Run(
        position, [this](const std::string& name) { return known_.Exists(Target(name), [this] { writer_.Drain(); }); },
        [this] { return writer_.HasRoom(); },
        [this](const WalkedEntry& entry) {
            Queue(Order(entry.position), Target(entry.header.name), false, entry, true);
        });
}

void Extraction::ReportWriteFailures(uint64_t before)
{
    for (const TEntryWriter::Failure& f : writer_.TakeFailures(before)) {
        WriteFailed(f.target, SpaceReportText(ErrorText(f.error), f.dataSize, f.fileSize, f.freeBytes), request_.quiet);
        if (!f.exists)
            known_.Remove(f.target);
    }
}

void Extraction::WriteAgent(TFileReader& reader, HANDLE file)
{
    // Without the header strings the copy would be no launcher at all.
    std::string image;
    if (walk_.HeaderEnd() <= 0 || !reader.ReadAt(0, static_cast<size_t>(walk_.HeaderEnd()), image)) {
        TraceLine(ProcessIdText(), " UnPack: no agent copy, the header strings were not read: ", archive_);
        return;
    }
    const std::string agent = AgentImage(std::move(image), ReadTrailer(reader));
    const std::string path = request_.workFolder + "\\" + request_.agentFileName;
    if (!IsSafeEntryName(request_.agentFileName)) {
        TraceLine(ProcessIdText(), " UnPack: refused agent name >>", request_.agentFileName, "<<");
        WriteFailed(request_.agentFileName, "The name leads outside the work folder.", request_.quiet);
        return;
    }
    if (const SysResult written = WriteFileData(path, agent, DosStampOf(file), false); !written) {
        WriteFailed(path, SpaceReport(path, static_cast<int64_t>(agent.size()), written.error), request_.quiet);
        return;
    }
    known_.Add(path);
    TraceLine(ProcessIdText(), " New AU-Agent: ", path);
}

} // namespace

ExtractResult ExtractPayload(const ExtractRequest& request) { return Extraction(request).Run(); }

int64_t ReadBlock(HANDLE file, std::string& data, int64_t n)
{
    if (n <= 0)
        return 0;
    int64_t done = 0;
    while (done < n) {
        const DWORD piece = static_cast<DWORD>(n - done < kReadPiece ? n - done : kReadPiece);
        DWORD got = 0;
        if (!ReadFile(file, &data[static_cast<size_t>(done)], piece, &got, nullptr) || got != piece)
            return -1;
        done += got;
        Pump();
    }
    return n;
}

std::string SpaceReport(const std::string& path, int64_t dataSize, DWORD error)
{
    return SpaceReportText(ErrorText(error), dataSize, FindFileSize(path), FreeBytes(path));
}

int ExtractFailures() { return g_failures; }
