// File and disk helpers: the portable pieces. The Win32 operations are in
// util/FilesWin.h. Byte strings (std::string) are the general data buffers.
#pragma once

#include <cstdint>
#include <string>

// Piece size for writing `total` bytes: a divisor-th of the total, at most `largest`,
// and never below 1024 bytes (or the total, when smaller).
int64_t ChunkSize(int64_t largest, int64_t divisor, int64_t total);

// The path to ask for free space: the drive and first folder level ("C:\a" of
// "C:\a\b\c"), or with rootOnly just the drive root ("C:\"). "/" counts as "\".
std::string DriveRoot(const std::string& path, bool rootOnly);

// What the tree delete does with one entry, by its attributes: a file is deleted, a
// folder emptied and removed, and a link (a junction or a symbolic link, to a folder or a
// file: any reparse point) only removed itself, never followed, so that nothing outside
// the tree is ever deleted.
enum class DeleteStep { File, Folder, Link };
DeleteStep DeleteStepFor(uint32_t attributes);

// How often the self-delete batch tries to delete the program, a second apart: the program
// ends within moments, and a file that stays held must not keep a command interpreter
// busy for ever.
constexpr int kSelfDeleteTries = 60;

// The batch that deletes the program file `exe` once it has ended, optionally also its
// `folder`, and then itself. It tries `tries` times, pausing between tries with `ping`
// (the system's ping program by its full path: a bare name would be looked up in the
// batch's folder first). Every path is quoted, its "%" doubled so that the batch reads no
// variable in it; lines end with CR LF.
struct SelfDeleteBatch {
    std::string exe, folder, batchPath, ping;
    bool removeFolder = false;
    int tries = kSelfDeleteTries;
};
std::string SelfDeleteBatchText(const SelfDeleteBatch& batch);
