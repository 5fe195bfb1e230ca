// The agent's update decision on plain values: whether a release applies to the
// installed product. The values come from the release, the installed product's
// description and the clock (agent/UpdateDecisionWin.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "util/Utils.h"

// Everything the six tests read. Versions, stamps and sizes are as stored: a server may
// send anything.
struct ReleaseFacts {
    bool infoFetched = false;
    bool interactive = false; // the user asked for this check
    std::int64_t now = 0;
    // the installed product (".original")
    std::int64_t versionOriginal = 0;
    std::int64_t originalStamp = 0;
    std::int64_t reAskSecondsLast = 0;
    std::int64_t reAskSecondsInterval = 0;
    // the release (".info")
    std::int64_t versionNew = 0;
    std::int64_t infoStamp = 0;
    std::string validVersions;
    bool autoInform = false; // [General] AutoInform is 1
    std::string downloadUrl; // DownloadURL_UPDATE
    std::string nameOfUpdateFile;
    std::string nameOfInformFile;
    std::int64_t sizeOfUpdateFile = 0;
    std::int64_t sizeOfInformFile = 0;
    // test mode (its source replaces the server's)
    bool testMode = false;
    std::string testUrl;
    // the product's own update address (its payload's): a server's folder address must
    // lie within it (agent/Fetch.h)
    std::string ownServer;
};

// Where the size of the file that would be fetched is looked for: where the fetch would
// take it from, nowhere else (a server's share address is not even looked at).
struct SizeProbe {
    std::int64_t expected = 0;
    std::string name;           // bare name; empty when the server's name is not usable
    std::string folderPath;     // base + "\" + name
    std::string url;            // base + "/" + name
    bool folderAllowed = false; // test mode's folder, or one within the product's own
    bool httpAllowed = false;   // never in test mode: test sources are folders
};
SizeProbe SizeProbeFor(const ReleaseFacts& facts);

// Answers the actual size for a probe, or -1 when the file cannot be found.
using SizeLookup = std::function<std::int64_t(const SizeProbe& probe)>;

bool IsReAskDue(const ReleaseFacts& facts);
bool IsValidVersion(const std::string& validVersions, std::int64_t versionOriginal);
// Within 100 bytes of each other; an unknown (negative) size never matches.
bool IsDownloadSizeOk(std::int64_t expected, std::int64_t actual);

constexpr int kDecisionOk = 6;
struct Decision {
    int step = 0; // the last test passed; kDecisionOk when all did
    std::string text;
    std::int64_t actualSize = -1; // what the size test found, when it ran
    bool ok() const { return step == kDecisionOk; }
};
// The six tests in order; each is made only when the ones before it passed, so the size
// is looked up only for a release that is otherwise acceptable.
Decision DecideUpdate(const ReleaseFacts& facts, const SizeLookup& actualSize);
// The text that names a step: "Error downloading .INFO file" ... "OK".
std::string DecisionStepText(int step);
