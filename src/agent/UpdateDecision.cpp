#include "agent/UpdateDecision.h"

#include <cstdint>
#include <limits>

#include "agent/ServerFileName.h"
#include "util/KSUB.h"

namespace {

constexpr const char* kStepTexts = "|Error downloading .INFO file|Error reading .ORIGINAL file|Too early for retesting|"
                                   "New version is not higher then old version|\"Valid for version\" mismatch|"
                                   "Download file size error|OK|";
// The longest value the description files give; a list that long may have been cut.
constexpr std::size_t kLongestInfoValue = 10240;

// Stored times and intervals can be anything: their sum must not overflow.
std::int64_t SaturatingSum(std::int64_t a, std::int64_t b)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if (b > 0 && a > kMax - b)
        return kMax;
    if (b < 0 && a < kMin - b)
        return kMin;
    return a + b;
}

// Version numbers are 32-bit: a larger stored value is not a version, and cutting it to
// 32 bits could make an old release look new.
bool IsVersionNumber(std::int64_t version) { return version > 0 && version <= std::numeric_limits<std::int32_t>::max(); }

} // namespace

int ShotTimeStatus(const ShotTimeFacts& facts)
{
    if (!facts.probingEnabled && !facts.checkNow)
        return 0;
    const std::int64_t interval = facts.testMode ? 5 : facts.probeSecondsInterval;
    int result = facts.now >= SaturatingSum(facts.probeSecondsLast, interval) ? 1 : 0;
    if (facts.probeSecondsInterval == 0 && result == 1)
        result = 2;
    // Every negative interval means never: -2 must not mean a check on every tick.
    if (facts.probeSecondsInterval < 0)
        result = 0;
    if (facts.checkNow)
        result = 1;
    return result;
}

SizeProbe SizeProbeFor(const ReleaseFacts& facts)
{
    SizeProbe probe;
    probe.expected = facts.autoInform ? facts.sizeOfInformFile : facts.sizeOfUpdateFile;
    probe.name = BareServerName(facts.autoInform ? facts.nameOfInformFile : facts.nameOfUpdateFile);
    const std::string& base = facts.testMode ? facts.testUrl : facts.downloadUrl;
    probe.folderPath = base + "\\" + probe.name;
    probe.url = base + "/" + probe.name;
    probe.httpAllowed = !facts.testMode;
    return probe;
}

bool IsReAskDue(const ReleaseFacts& facts)
{
    return facts.reAskSecondsInterval > 0 &&
           SaturatingSum(facts.reAskSecondsLast, facts.reAskSecondsInterval) < facts.now;
}

bool IsValidVersion(const std::string& validVersions, std::int64_t versionOriginal)
{
    if (validVersions.empty())
        return true;
    if (validVersions.size() >= kLongestInfoValue)
        return false;
    return ("," + validVersions + ",").find("," + std::to_string(versionOriginal) + ",") != std::string::npos;
}

bool IsDownloadSizeOk(std::int64_t expected, std::int64_t actual)
{
    if (expected < 0 || actual < 0)
        return false;
    const std::int64_t difference = actual > expected ? actual - expected : expected - actual;
    return difference < 100;
}

Decision DecideUpdate(const ReleaseFacts& facts, const SizeLookup& actualSize)
{
    Decision decision;
    int step = 0;
    if (facts.infoFetched)
        step = 1;
    if (step == 1 && IsVersionNumber(facts.versionOriginal))
        step = 2;
    if (step == 2 && (facts.infoStamp != facts.originalStamp || IsReAskDue(facts) || facts.interactive))
        step = 3;
    if (step == 3 && IsVersionNumber(facts.versionNew) && facts.versionNew > facts.versionOriginal)
        step = 4;
    if (step == 4 && IsValidVersion(facts.validVersions, facts.versionOriginal))
        step = 5;
    if (step == 5) {
        const SizeProbe probe = SizeProbeFor(facts);
        if (!probe.name.empty())
            decision.actualSize = actualSize(probe);
        if (IsDownloadSizeOk(probe.expected, decision.actualSize))
            step = 6;
    }
    decision.step = step;
    decision.text = DecisionStepText(step);
    return decision;
}

std::string DecisionStepText(int step) { return SUB::ListItem(kStepTexts, step, ""); }

bool IsTestModeOn(const std::string& testMode, const std::string& testModeDate, const DateTime& today)
{
    return testMode == "1" && testModeDate == DateText(today);
}

bool TestModeRefreshDue(bool forced, std::uint32_t nowTick, std::uint32_t lastTick)
{
    return forced || static_cast<std::uint32_t>(nowTick - lastTick) > 30000;
}
