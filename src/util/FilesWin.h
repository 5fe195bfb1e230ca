// File and disk operations on Windows. Failures are reported only by the result
// (false, empty text, 0, or a SysResult with the system's error code); nothing here
// throws or shows a message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "util/Files.h"
#include "util/ScopedWin.h"
#include "util/SysResult.h"
#include "util/UtilsWin.h"

// origin: 0 start, 1 current, 2 end. The new position, or -1 when the seek failed.
int64_t SeekFile64(HANDLE file, int origin, int64_t distance);
// Size from a directory search (the file is not opened); 0 when not found.
int64_t FindFileSize(const std::string& path);
int64_t FileSize64(HANDLE file);

// Up to maxLength bytes from offset (maxLength 0: up to the end). Empty when the file is
// missing, the offset is outside the file, nothing is to be read or the read comes short.
std::string ReadFileRange(const std::string& path, int64_t maxLength, int64_t offset);
// Writes (or appends) data; data above 1 MiB goes out in ChunkSize pieces. `date` is a
// packed DOS date and time (date high, time low, local time); 0 leaves the date alone.
// Succeeds when every byte was written.
SysResult WriteFileData(const std::string& path, const std::string& data, uint32_t date, bool append);
// The same for bytes held elsewhere (the extraction writes from its inflate buffer).
SysResult WriteFileData(const std::string& path, const char* data, size_t size, uint32_t date, bool append);
SysResult AppendText(const std::string& path, const std::string& text, uint32_t date);
// The parts of WriteFileData, for a writer that keeps a file open over several pieces:
// open for writing (appending: at the end of an existing file; else created anew), the
// bytes written in chunks as WriteFileData writes them, the packed DOS date set.
ScopedFile OpenForWrite(const std::string& path, bool append);
SysResult WriteFileBytes(HANDLE file, const char* data, size_t size);
void SetDosDate(HANDLE file, uint32_t date);

// Copies from over to (replacing it) and clears the copy's read-only attribute: a copy of
// a file served or installed read-only must not stand in the way of later deletes and
// copies over it.
SysResult CopyFileWritable(const std::string& from, const std::string& to);

// A file made new (never opened over one that is there) under a name no other file has:
// base + "." + a number + suffix. made holds the system's error when none could be made.
// share: what others may do with it while file is open (FILE_SHARE_READ: nobody writes,
// renames or deletes it meanwhile).
struct NewFile {
    ScopedFile file;
    std::string path;
    SysResult made;
};
NewFile CreateUniqueFile(const std::string& base, const std::string& suffix, DWORD share);
// Writes data into a new file beside path and moves it over path once it is whole, so
// that nobody ever reads half of it and path is never opened for writing.
SysResult ReplaceFileWhole(const std::string& path, const std::string& data);

// The file's modification time as a packed DOS date and time (local time); 0 when unknown.
uint32_t FileDosStamp(const std::string& path);

// Free bytes available to the caller on the path's drive; 0 on failure.
double FreeBytes(const std::string& path);

// Deletes every file matching the mask (hidden, system and read-only ones too; with
// clearAttributes their attributes are reset first). True when at least one matched.
bool DeleteMatching(const std::string& mask, bool clearAttributes);
// Removes the folder and everything in it as far as possible, never through a link: a
// link inside is removed itself, and a folder that is a link is only unlinked. True when
// the folder existed and is gone.
bool DeleteTree(const std::string& folder, bool clearAttributes);

// Writes a new "_DEL_ME_<16 random hex digits>.BAT" into the temporary folder and starts
// it hidden: it deletes the running program file once the program has ended (and with
// removeFolder its folder), giving up after kSelfDeleteTries. True when it was started.
bool StartSelfDelete(bool removeFolder);

// Ejects the CD-ROM drive that holds the path. False for any other drive.
bool EjectCD(const std::string& path);
