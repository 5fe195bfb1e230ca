// File and disk operations on Windows.
#include "util/FilesWin.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "util/KDebug.h"
#include "util/PrivateAccessWin.h"
#include "util/ProcessStart.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr int64_t kLargestChunk = 1048576;

ScopedFile OpenForRead(const std::string& path)
{
    return ScopedFile(
        ::CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

SysResult WriteAll(HANDLE file, const char* data, int64_t size, int64_t chunk)
{
    int64_t done = 0;
    while (done < size) {
        DWORD piece = static_cast<DWORD>(std::min(chunk, size - done));
        DWORD written = 0;
        if (!::WriteFile(file, data + done, piece, &written, nullptr))
            return SysResult::LastError();
        // A write that takes nothing and says nothing: the disk is full.
        if (written == 0)
            return {ERROR_DISK_FULL};
        done += written;
    }
    return {};
}

bool IsDots(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

bool IsFolder(const WIN32_FIND_DATAA& fd) { return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

void DeleteEntry(const std::string& path, DWORD attributes, bool clearAttributes);

void EmptyFolder(const std::string& folder, bool clearAttributes)
{
    WIN32_FIND_DATAA fd;
    ScopedFind find(::FindFirstFileA((folder + "\\*").c_str(), &fd));
    if (!find)
        return;
    do
        if (!IsDots(fd.cFileName))
            DeleteEntry(folder + "\\" + fd.cFileName, fd.dwFileAttributes, clearAttributes);
    while (::FindNextFileA(find.get(), &fd));
}

void DeleteEntry(const std::string& path, DWORD attributes, bool clearAttributes)
{
    switch (DeleteStepFor(attributes)) {
    case DeleteStep::File:
        if (clearAttributes)
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
        break;
    case DeleteStep::Folder:
        EmptyFolder(path, clearAttributes);
        ::RemoveDirectoryA(path.c_str());
        break;
    case DeleteStep::Link:
        // A folder link goes with RemoveDirectory, a file link with DeleteFile: both
        // remove the link, not what it leads to. Its attributes stay: setting them would
        // set the target's.
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || !::RemoveDirectoryA(path.c_str()))
            ::DeleteFileA(path.c_str());
        break;
    }
}

std::string DriveOf(char letter) { return std::string(1, letter) + ":\\"; }

using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

} // namespace

ScopedFile OpenForWrite(const std::string& path, bool append)
{
    if (append && PathExists(path)) {
        ScopedFile f(::CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f)
            SeekFile64(f.get(), 2, 0);
        return f;
    }
    return ScopedFile(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void SetDosDate(HANDLE file, uint32_t date)
{
    FILETIME local, utc;
    if (::DosDateTimeToFileTime(static_cast<WORD>(date >> 16), static_cast<WORD>(date & 0xFFFF), &local) &&
        ::LocalFileTimeToFileTime(&local, &utc))
        ::SetFileTime(file, nullptr, nullptr, &utc);
}

int64_t SeekFile64(HANDLE file, int origin, int64_t distance)
{
    LONG high = static_cast<LONG>(distance >> 32);
    DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
    ::SetLastError(NO_ERROR);
    DWORD low = ::SetFilePointer(file, static_cast<LONG>(distance & 0xFFFFFFFF), &high, method);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR)
        return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

int64_t FindFileSize(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    ScopedFind find(::FindFirstFileA(path.c_str(), &fd));
    if (!find)
        return 0;
    return (static_cast<int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
}

int64_t FileSize64(HANDLE file)
{
    DWORD high = 0;
    DWORD low = ::GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR)
        return 0;
    return (static_cast<int64_t>(high) << 32) | low;
}

std::string ReadFileRange(const std::string& path, int64_t maxLength, int64_t offset)
{
    ScopedFile file = OpenForRead(path);
    if (!file || offset < 0)
        return {};
    int64_t size = FileSize64(file.get());
    if (offset >= size)
        return {};
    int64_t length = size - offset;
    if (maxLength != 0)
        length = std::min(length, maxLength);
    if (length <= 0 || SeekFile64(file.get(), 0, offset) != offset)
        return {};
    // More than this process can hold gives no bytes rather than the end of the run: the
    // room is asked for without failing first.
    if (static_cast<uint64_t>(length) >= SIZE_MAX / 2)
        return {};
    void* const room = std::malloc(static_cast<std::size_t>(length) + 1);
    if (!room)
        return {};
    std::free(room);
    std::string data;
    data.resize(static_cast<std::size_t>(length));
    int64_t done = 0;
    while (done < length) {
        DWORD piece = static_cast<DWORD>(std::min<int64_t>(length - done, 1 << 30));
        DWORD got = 0;
        if (!::ReadFile(file.get(), &data[done], piece, &got, nullptr) || got == 0)
            return {};
        done += got;
    }
    return data;
}

SysResult WriteFileData(const std::string& path, const std::string& data, uint32_t date, bool append)
{
    return WriteFileData(path, data.data(), data.size(), date, append);
}

SysResult WriteFileBytes(HANDLE file, const char* data, size_t dataSize)
{
    int64_t size = static_cast<int64_t>(dataSize);
    int64_t chunk = size > kLargestChunk ? ChunkSize(kLargestChunk, 10, size) : std::max<int64_t>(size, 1);
    return WriteAll(file, data, size, chunk);
}

SysResult WriteFileData(const std::string& path, const char* data, size_t dataSize, uint32_t date, bool append)
{
    ScopedFile file = OpenForWrite(path, append);
    if (!file)
        return SysResult::LastError();
    const SysResult written = WriteFileBytes(file.get(), data, dataSize);
    if (written && date != 0)
        SetDosDate(file.get(), date);
    return written;
}

SysResult AppendText(const std::string& path, const std::string& text, uint32_t date)
{
    ScopedFile file = OpenForWrite(path, true);
    if (!file)
        return SysResult::LastError();
    const SysResult written = WriteAll(file.get(), text.data(), static_cast<int64_t>(text.size()), INT32_MAX);
    if (date != 0)
        SetDosDate(file.get(), date);
    return written;
}

double FreeBytes(const std::string& path)
{
    // Decided once: the 64-bit query is missing only on the oldest systems.
    static const FreeSpaceEx query = reinterpret_cast<FreeSpaceEx>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
    if (query) {
        ULARGE_INTEGER avail, total, free;
        if (query(DriveRoot(path, false).c_str(), &avail, &total, &free) ||
            query(DriveRoot(path, true).c_str(), &avail, &total, &free))
            return static_cast<double>(avail.QuadPart);
        return 0;
    }
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    if (!::GetDiskFreeSpaceA(DriveRoot(path, true).c_str(), &sectors, &bytes, &freeClusters, &clusters))
        return 0;
    return static_cast<double>(sectors) * bytes * freeClusters;
}

SysResult CopyFileWritable(const std::string& from, const std::string& to)
{
    if (!::CopyFileA(from.c_str(), to.c_str(), FALSE))
        return SysResult::LastError();
    const DWORD attributes = ::GetFileAttributesA(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !::SetFileAttributesA(to.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return SysResult::LastError();
    return {};
}

bool DeleteMatching(const std::string& mask, bool clearAttributes)
{
    std::size_t slash = mask.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? std::string() : mask.substr(0, slash + 1);
    WIN32_FIND_DATAA fd;
    ScopedFind find(::FindFirstFileA(mask.c_str(), &fd));
    if (!find)
        return false;
    bool matched = false;
    do {
        if (IsFolder(fd))
            continue;
        matched = true;
        std::string path = folder + fd.cFileName;
        if (clearAttributes)
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(find.get(), &fd));
    return matched;
}

bool DeleteTree(const std::string& folder, bool clearAttributes)
{
    const std::string root = WithoutBackslash(folder);
    if (root.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesA(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    DeleteEntry(root, attributes, clearAttributes);
    return !PathExists(root);
}

bool StartSelfDelete(bool removeFolder)
{
    const std::string temp = TempFolder(false);
    // A name of its own, made new with the run's access list: a batch of another agent, or
    // one that somebody prepared in a temp folder that others can write, is never run.
    PrivateFile batch = MakePrivateFile(temp, "_DEL_ME_", ".BAT");
    if (!batch.file)
        return false;
    const std::string text = SelfDeleteBatchText(
        {ProgramPath(false), ProgramFolder(false), batch.path, SystemFolder(true) + "PING.EXE", removeFolder});
    const SysResult written = WriteAll(batch.file.get(), text.data(), static_cast<int64_t>(text.size()), INT32_MAX);
    batch.file.reset();
    if (!written) {
        ::DeleteFileA(batch.path.c_str());
        return false;
    }
    ::SetCurrentDirectoryA(temp.c_str());
    // The system's command interpreter runs it: a batch file is no program of its own.
    return static_cast<bool>(StartProcess({SystemFolder(true) + "cmd.exe", "/c \"" + batch.path + "\"", SW_HIDE}));
}

bool EjectCD(const std::string& path)
{
    if (path.empty())
        return false;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    if (letter < 'A' || letter > 'Z' || ::GetDriveTypeA(DriveOf(letter).c_str()) != DRIVE_CDROM)
        return false;
    std::string device = std::string("\\\\.\\") + letter + ":";
    ScopedFile drive(
        ::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    TraceLine("EjectCD-2: ", device, " ", reinterpret_cast<intptr_t>(drive.get()));
    if (!drive) {
        drive.reset(::CreateFileA(device.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
        TraceLine("EjectCD-3: ", device, " ", reinterpret_cast<intptr_t>(drive.get()));
    }
    if (!drive)
        return false;
    DWORD returned = 0;
    return ::DeviceIoControl(drive.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &returned, nullptr) !=
           FALSE;
}

NewFile CreateUniqueFile(const std::string& base, const std::string& suffix, DWORD share)
{
    static DWORD counter = 0;
    NewFile made;
    // A name taken meanwhile by anybody (or planted) is passed over for the next one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        made.path = base + "." + HexNumber(::GetCurrentProcessId(), 1) + "-" +
                    HexNumber(static_cast<DWORD>(::GetTickCount() + ++counter), 1) + suffix;
        made.file.reset(::CreateFileA(made.path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (made.file) {
            made.made = {};
            return made;
        }
        made.made = SysResult::LastError();
        if (made.made.error != ERROR_FILE_EXISTS && made.made.error != ERROR_ALREADY_EXISTS)
            break;
    }
    made.path.clear();
    return made;
}

SysResult ReplaceFileWhole(const std::string& path, const std::string& data)
{
    NewFile part = CreateUniqueFile(path, ".part", FILE_SHARE_READ);
    if (!part.made)
        return part.made;
    SysResult result = WriteAll(part.file.get(), data.data(), static_cast<int64_t>(data.size()), kLargestChunk);
    part.file.reset();
    if (result && !::MoveFileExA(part.path.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        result = SysResult::LastError();
    if (!result)
        ::DeleteFileA(part.path.c_str());
    return result;
}

uint32_t FileDosStamp(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return static_cast<uint32_t>(date) << 16 | time;
}
