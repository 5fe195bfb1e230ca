// A file checked by its hash and then used: held open so that nobody can write, rename
// or delete it between the check and its use (a file found in a Downloads folder is
// anybody's), and hashed through that same handle.
#pragma once

#include <optional>
#include <string>

#include "trust/Sha256.h"
#include "util/ScopedWin.h"
#include "util/SysResult.h"

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
