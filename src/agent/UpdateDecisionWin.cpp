#include "agent/UpdateDecisionWin.h"

#include "agent/AgentSession.h"
#include "agent/CheckScheduleWin.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

ReleaseFacts FactsOf(const AgentSession& session, const Release& release, bool infoFetched)
{
    const OriginalFile& original = session.original;
    ReleaseFacts f;
    f.infoFetched = infoFetched;
    f.interactive = session.Interactive();
    f.now = NowSeconds();
    f.versionOriginal = original.Int(OriginalKeys::VersionOriginal);
    f.originalStamp = original.Int(OriginalKeys::Stamp);
    f.reAskSecondsLast = original.Int(OriginalKeys::ReAskSecondsLast);
    f.reAskSecondsInterval = original.Int(OriginalKeys::ReAskSecondsInterval);
    f.versionNew = release.versionNew;
    f.infoStamp = release.stamp;
    f.validVersions = release.validVersions;
    f.autoInform = release.autoInform;
    f.downloadUrl = release.downloadUrl;
    f.nameOfUpdateFile = release.nameOfUpdateFile;
    f.nameOfInformFile = release.nameOfInformFile;
    f.sizeOfUpdateFile = release.sizeOfUpdateFile;
    f.sizeOfInformFile = release.sizeOfInformFile;
    f.testMode = session.test.on;
    f.testUrl = session.test.url;
    f.ownServer = session.UpdateServer();
    return f;
}

} // namespace

Decision GetOkToPerformAU(const AgentSession& session, const Release& release, bool infoFetched,
                          const HttpFileSize& httpFileSize)
{
    const ReleaseFacts facts = FactsOf(session, release, infoFetched);
    std::string tried;
    const Decision decision = DecideUpdate(facts, [&](const SizeProbe& probe) -> std::int64_t {
        tried = probe.folderPath;
        if (probe.folderAllowed && FileExists(probe.folderPath))
            return FindFileSize(probe.folderPath);
        if (!probe.httpAllowed || !httpFileSize)
            return -1;
        tried = probe.url;
        return httpFileSize(probe.url);
    });
    if (decision.step == 5) {
        const SizeProbe probe = SizeProbeFor(facts);
        if (probe.name.empty())
            TraceLine(ProcessIdText(),
                      " Not a bare file name: ", facts.autoInform ? facts.nameOfInformFile : facts.nameOfUpdateFile);
        WriteUpdateLog("  InfoSize=" + std::to_string(probe.expected));
        WriteUpdateLog("  HttpSize=" + std::to_string(decision.actualSize));
        WriteUpdateLog("  URL=" + tried);
    }
    TraceLine(ProcessIdText(), " GetOkToPerformAU=", decision.step);
    WriteUpdateLog("GetOkToPerformAU = " + std::to_string(decision.step) + " - " + decision.text);
    return decision;
}
