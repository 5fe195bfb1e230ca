// The agent's update decision on plain values: when a check is due, whether a release
// applies to the installed product, and test mode's date rule. The values come from the
// description files, the registry and the clock (agent/UpdateDecisionWin.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "util/Utils.h"

// ---- schedule ------------------------------------------------------------------------
struct ShotTimeFacts {
    bool probingEnabled = true;
    bool checkNow = false;
    bool testMode = false;
    std::int64_t probeSecondsInterval = 0;  // ".original"; 0: once per run; negative: never
    std::int64_t probeSecondsLast = 0;
    std::int64_t now = 0;                   // seconds since 30 December 1899, local time
};
// 0: no check; 1: check; 2: check once and stop checking for this run. The caller clears
// its check-now request afterwards, whatever the result.
int ShotTimeStatus(const ShotTimeFacts& facts);

// ---- decision --------------------------------------------------------------------------
// Everything the six tests read. Versions, stamps and sizes are as stored: a server may
// send anything.
struct ReleaseFacts {
    bool infoFetched = false;
    bool interactive = false;  // the user asked for this check
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
    bool autoInform = false;  // [General] AutoInform is 1
    std::string downloadUrl;  // DownloadURL_UPDATE
    std::string nameOfUpdateFile;
    std::string nameOfInformFile;
    std::int64_t sizeOfUpdateFile = 0;
    std::int64_t sizeOfInformFile = 0;
    // test mode (its source replaces the server's)
    bool testMode = false;
    std::string testUrl;
};

// Where the size of the file that would be fetched is looked for.
struct SizeProbe {
    std::int64_t expected = 0;
    std::string name;        // bare name; empty when the server's name is not usable
    std::string folderPath;  // base + "\" + name
    std::string url;         // base + "/" + name
    bool httpAllowed = false;  // never in test mode: test sources are folders
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
    int step = 0;  // the last test passed; kDecisionOk when all did
    std::string text;
    std::int64_t actualSize = -1;  // what the size test found, when it ran
    bool ok() const { return step == kDecisionOk; }
};
// The six tests in order; each is made only when the ones before it passed, so the size
// is looked up only for a release that is otherwise acceptable.
Decision DecideUpdate(const ReleaseFacts& facts, const SizeLookup& actualSize);
// The text that names a step: "Error downloading .INFO file" ... "OK".
std::string DecisionStepText(int step);

// ---- test mode ---------------------------------------------------------------------------
// On for the registry value "1" together with today's date ("08-DEC-2026"), so that it
// switches itself off at midnight.
bool IsTestModeOn(const std::string& testMode, const std::string& testModeDate, const DateTime& today);
// The registry is read again when forced or after more than 30 seconds; the millisecond
// tick count wraps after 49.7 days.
bool TestModeRefreshDue(bool forced, std::uint32_t nowTick, std::uint32_t lastTick);
