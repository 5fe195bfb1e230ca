// Folders and files that a run makes for itself, with the private access list
// (util/PrivateAccess.h) of the running process's user: always made new, never an
// existing one that somebody else may have prepared.
#pragma once

#include <windows.h>

#include <string>

#include "util/ScopedWin.h"
#include "util/SysResult.h"

// Whether this process runs with an elevated token (false where the system knows none).
bool RunsElevated();

// Security attributes that carry the private access list; empty when the system could
// not make them, and then nothing private is made.
class TPrivateAccess {
public:
    TPrivateAccess();
    ~TPrivateAccess();
    TPrivateAccess(const TPrivateAccess&) = delete;
    TPrivateAccess& operator=(const TPrivateAccess&) = delete;

    explicit operator bool() const { return descriptor_ != nullptr; }
    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

struct PrivateFolder {
    std::string path; // empty when none could be made
    // Open without delete sharing: while held, nobody can rename or remove the folder
    // (a parent that others may change, like an elevated user's own temp folder,
    // cannot swap it).
    ScopedFile hold;
    DWORD error = 0; // the system's reason when none could be made
};

// A new folder in parent named prefix + 16 random hex digits, with the private access
// list, held. A name that is taken is never used: another is tried, a few times.
PrivateFolder MakePrivateFolder(const std::string& parent, const std::string& prefix);

// A new file with the private access list, open for writing; empty when path exists or
// cannot be made.
ScopedFile CreatePrivateFile(const std::string& path);

struct PrivateFile {
    std::string path; // empty when none could be made
    ScopedFile file;
};

// A new file in folder named prefix + 16 random hex digits + suffix, with the private
// access list, open for writing; like the folder, never one that exists.
PrivateFile MakePrivateFile(const std::string& folder, const std::string& prefix, const std::string& suffix);
