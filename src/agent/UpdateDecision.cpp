#include "agent/UpdateDecision.h"

#include <cstdint>
#include <limits>

#include "agent/Fetch.h"
#include "agent/ServerFileName.h"
#include "util/IniText.h"
#include "util/KSUB.h"

namespace {

constexpr const char* kStepTexts = "|Error downloading .INFO file|Error reading .ORIGINAL file|Too early for retesting|"
                                   "New version is not higher then old version|\"Valid for version\" mismatch|"
                                   "Download file size error|OK|";
// Version numbers are 32-bit: a larger stored value is not a version, and cutting it to
// 32 bits could make an old release look new.
bool IsVersionNumber(std::int64_t version)
{
    return version > 0 && version <= std::numeric_limits<std::int32_t>::max();
}

} // namespace

SizeProbe SizeProbeFor(const ReleaseFacts& facts)
{
    SizeProbe probe;
    probe.expected = facts.autoInform ? facts.sizeOfInformFile : facts.sizeOfUpdateFile;
    probe.name = BareServerName(facts.autoInform ? facts.nameOfInformFile : facts.nameOfUpdateFile);
    const std::string& base = facts.testMode ? facts.testUrl : facts.downloadUrl;
    probe.folderPath = base + "\\" + probe.name;
    probe.url = base + "/" + probe.name;
    const FetchSource source = FetchSourceOf(base, true, facts.ownServer);
    probe.folderAllowed = facts.testMode || source == FetchSource::Folder;
    probe.httpAllowed = !facts.testMode && source == FetchSource::Web;
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
    // A list as long as a value can be may have been cut.
    if (validVersions.size() >= IniText::kLongestValue)
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
