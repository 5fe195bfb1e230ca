#include "agent/UpdateDecisionWin.h"

#include <windows.h>

#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

bool CheckTestMode(bool forced)
{
    AgentState& a = Agent();
    const DWORD now = ::GetTickCount();
    // The time is taken only when the registry is read: taken on every call, the tick's
    // call every second would keep the 30 seconds from ever passing.
    if (!TestModeRefreshDue(forced, now, a.testModeReadAt))
        return a.testMode;
    a.testModeReadAt = now;
    a.testMode = IsTestModeOn(ReadRegistryValue(kTestModeKey, "TestMode", "0"),
                              ReadRegistryValue(kTestModeKey, "TestModeDate", ""), LocalNow());
    a.testUrl = ReadRegistryValue(kTestModeKey, "TestModeURL", "");
    return a.testMode;
}

std::int64_t NowSeconds() { return SecondsFromDateTime(LocalNow()); }

int ShotTimeStatus()
{
    AgentState& a = Agent();
    ShotTimeFacts facts;
    facts.probingEnabled = a.probingEnabled;
    facts.checkNow = a.checkNow;
    facts.testMode = a.testMode;
    facts.probeSecondsInterval = ReadInfoInt(Keys::ProbeSecondsInterval);
    facts.probeSecondsLast = ReadInfoInt(Keys::ProbeSecondsLast);
    facts.now = NowSeconds();
    a.checkNow = false;
    return ShotTimeStatus(facts);
}

namespace {

ReleaseFacts ReadReleaseFacts(bool infoFetched, bool interactive)
{
    const AgentState& a = Agent();
    ReleaseFacts f;
    f.infoFetched = infoFetched;
    f.interactive = interactive;
    f.now = NowSeconds();
    f.versionOriginal = ReadInfoInt(Keys::VersionOriginal);
    f.originalStamp = ReadInfoInt(Keys::OriginalStamp);
    f.reAskSecondsLast = ReadInfoInt(Keys::ReAskSecondsLast);
    f.reAskSecondsInterval = ReadInfoInt(Keys::ReAskSecondsInterval);
    f.versionNew = ReadInfoInt(Keys::VersionNew);
    f.infoStamp = ReadInfoInt(Keys::InfoStamp);
    f.validVersions = ReadInfoText(Keys::ValidVersions);
    f.autoInform = ReadInfoInt(Keys::AutoInform) == 1;
    f.downloadUrl = ReadInfoText(Keys::DownloadURL_UPDATE);
    f.nameOfUpdateFile = ReadInfoText(Keys::NameOfUpdateFile);
    f.nameOfInformFile = ReadInfoText(Keys::NameOfInformFile);
    f.sizeOfUpdateFile = ReadInfoInt(Keys::SizeOfUpdateFile);
    f.sizeOfInformFile = ReadInfoInt(Keys::SizeOfInformFile);
    f.testMode = a.testMode;
    f.testUrl = a.testUrl;
    return f;
}

} // namespace

Decision GetOkToPerformAU(bool infoFetched, bool interactive, const HttpFileSize& httpFileSize)
{
    const ReleaseFacts facts = ReadReleaseFacts(infoFetched, interactive);
    std::string tried;
    const Decision decision = DecideUpdate(facts, [&](const SizeProbe& probe) -> std::int64_t {
        tried = probe.folderPath;
        if (FileExists(probe.folderPath))
            return FindFileSize(probe.folderPath);
        if (!probe.httpAllowed || !httpFileSize)
            return -1;
        tried = probe.url;
        return httpFileSize(probe.url);
    });
    if (decision.step == 5) {
        const SizeProbe probe = SizeProbeFor(facts);
        if (probe.name.empty())
            TraceLine(ProcessIdText(), " Not a bare file name: ",
                      facts.autoInform ? facts.nameOfInformFile : facts.nameOfUpdateFile);
        WriteUpdateLog("  InfoSize=" + std::to_string(probe.expected));
        WriteUpdateLog("  HttpSize=" + std::to_string(decision.actualSize));
        WriteUpdateLog("  URL=" + tried);
    }
    TraceLine(ProcessIdText(), " GetOkToPerformAU=", decision.step);
    WriteUpdateLog("GetOkToPerformAU = " + std::to_string(decision.step) + " - " + decision.text);
    return decision;
}
