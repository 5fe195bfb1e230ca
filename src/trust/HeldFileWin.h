// Files checked by their hash and then used, held open from the check to their use so
// that nobody can write, rename or delete them in between.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "trust/Sha256.h"
#include "util/ScopedWin.h"
#include "util/SysResult.h"

// A file that was there (a file found in a Downloads folder is anybody's), hashed
// through the handle that holds it.
struct HeldFile {
    ScopedFile file;
    SysResult opened;                   // the system's error when it could not be opened
    std::optional<Sha256Digest> sha256; // none when it could not be read or hashed
};

// Keeps the window alive while it reads (a setup may be large).
HeldFile HoldAndHash(const std::string& path);
// The digest of what is left to read through an open file (all of a file just opened);
// none when a read fails. Keeps the window alive as HoldAndHash does.
std::optional<Sha256Digest> Sha256OfHandle(HANDLE file);

// A file being fetched: made new under a name of its own (base with "." and a number
// put before its extension), written and hashed as its bytes arrive, so that it is read once only, and
// held from its creation until it is dropped: others may read it (a setup run opens it),
// nobody can write, rename or delete it. Dropping it deletes it.
class HeldDownload {
public:
    explicit HeldDownload(const std::string& base);
    HeldDownload() = default;
    HeldDownload(HeldDownload&& other) noexcept;
    HeldDownload& operator=(HeldDownload&& other) noexcept;
    HeldDownload(const HeldDownload&) = delete;
    HeldDownload& operator=(const HeldDownload&) = delete;
    ~HeldDownload();

    // The system's error when the file could not be made.
    const SysResult& Made() const { return made_; }
    const std::string& Path() const { return path_; }
    std::int64_t Size() const { return size_; }
    // Writes and hashes the next piece; false with the system's reason when the disk
    // would not take it.
    bool Take(const char* data, std::size_t size, std::string& error);
    // The digest of every byte taken; none when the system could not hash. Nothing is
    // taken after it.
    std::optional<Sha256Digest> Finish();
    // Held for reading only from now on, so that a program started from the file (its
    // start shares no writing) can open and map it: the writing handle goes, a new one
    // lets others only read, and the bytes read through it must be the ones taken. False,
    // and the file is of no use, when it changed or went meanwhile or is open for writing
    // elsewhere.
    [[nodiscard]] bool HoldForRun();

private:
    void Drop();

    ScopedFile file_;
    std::string path_;
    SysResult made_{ERROR_INVALID_HANDLE};
    Sha256 hash_;
    std::optional<Sha256Digest> taken_;
    bool finished_ = false;
    std::int64_t size_ = 0;
};
