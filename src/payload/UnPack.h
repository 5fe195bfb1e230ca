// Unpacking a payload (one file or a chain of volumes) into the work folder. Windows only.
//
// Each volume is checked against its checksum, then its blocks are read in order: the
// first volume's header strings are skipped, every other block is one file entry (see
// payload/PayloadEntry.h) that is appended to its file, so that same-name entries join
// into one file. A volume whose trailer says that another follows leads to the next
// file (base path + ".002", ".003" ...), asking for the disk when it is not there.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "payload/PayloadEntry.h"

// kind 0 sets the bar up (maximum, position, step), kind 1 steps it; low is always 0 and
// the text always empty. Takes the launcher window's ProgressSink.
using ExtractProgress =
    std::function<void(int kind, int low, int maximum, int position, int step, const std::string& text)>;

// The SHA-256 of a volume's whole file, read through the handle given (the trust layer's);
// none when it cannot be read.
using VolumeHasher = std::function<std::optional<VolumeDigest>(HANDLE file)>;

struct ExtractRequest {
    std::string archivePath; // the launcher itself, or the first volume
    // Volume n is volumeBase + "." + n in three digits; empty: the archive path without a
    // final ".001".
    std::string volumeBase;
    // Checks a later volume against the link of the one before (see VolumeLinkBlock): a
    // volume that has to match is refused when there is no hasher.
    VolumeHasher hashVolume;
    std::string workFolder;    // no trailing backslash; created when missing
    std::string agentFileName; // name of the agent copy to write, empty for none
    std::string diskPrompt;    // markup; "<DISK_NUM>" becomes the volume number
    std::string promptTitle;
    std::string buttons;
    std::uint8_t charset = 0;
    bool forcePrompt = false; // ask for every further volume even when it is present
    // A silent run: no boxes (failures are counted and traced) and no disk prompt (a
    // volume that is not there leaves the payload incomplete).
    bool quiet = false;
    ExtractProgress progress;
};

struct ExtractResult {
    // The name field of the last entry marked with "*", with the "*" and its parameters;
    // empty when none, or when the user cancelled a disk prompt.
    std::string runTarget;
    // The last volume read passed its checksum (and was the one the volume before links to).
    bool checksumOk = false;
    // The user cancelled a disk prompt.
    bool cancelled = false;
    // The work folder could not be created.
    bool folderFailed = false;
    // Files of this extraction that could not be written (refused names included).
    int writeFailures = 0;
    // Not every entry was read: a volume ended early (a disk taken out while it was read)
    // or a block ran past its end, or a silent run found a volume missing.
    bool incomplete = false;
    // zlib's result for a compressed entry that did not inflate (0: none was damaged).
    // The extraction stopped at that entry, and the other fields tell nothing more: the
    // files written until then stay.
    int damagedEntry = 0;
};

ExtractResult ExtractPayload(const ExtractRequest& request);

// Fills data[0, n) from the file's current position in pieces of at most 64 KiB,
// letting window messages run after each piece. n when everything arrived, -1 when a
// read failed or came short, 0 for n = 0. data must hold at least n bytes.
int64_t ReadBlock(HANDLE file, std::string& data, int64_t n);

// Markup for the error box after a failed write: the system's message for error, the
// data size, the file's current size and the free bytes on its drive.
std::string SpaceReport(const std::string& path, int64_t dataSize, DWORD error);

// Files of this process that could not be written (refused names included); only the
// first one is shown to the user.
int ExtractFailures();
