#include "agent/AgentSession.h"

#include "payload/GFileInfo.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"

AgentFiles AgentFilesIn(const std::string& folder, const TGFileInfo& own)
{
    return AgentFilesOf(folder, folder, own.InfoFileName(), own.InstalledInfoName(), own.AgentFileName());
}

AgentSession::AgentSession(AgentHost hostIn, AgentFiles filesIn)
    : host(std::move(hostIn)), files(std::move(filesIn)), original(files.original, files.overlay),
      keys(host.own ? ReleaseKeysOf(*host.own) : PayloadKeys())
{
    // The release kept from an earlier run answers until this run has fetched one; for a
    // keyed product only while it still verifies.
    const CheckedRelease kept =
        CheckRelease(ReadFileRange(files.info, 0, 0), ReadFileRange(files.signature, 0, 0), keys, UtcNowSeconds());
    releaseVersion = kept.release.versionNew;
}

std::string AgentSession::UpdateServer() const { return host.own ? host.own->UpdateServerUrl() : std::string(); }

void AgentSession::Notify(int code, int value) const
{
    if (host.notify)
        host.notify(code, value);
}

void AgentSession::Caption(const std::string& text) const
{
    if (host.caption)
        host.caption(text);
}

namespace {

void Recorded(bool written, const OriginalKey& key, const std::string& path)
{
    if (written)
        return;
    const std::string line = std::string("ERROR: ") + key.key + " not recorded in " + path;
    TraceLine(ProcessIdText(), " ", line);
    WriteUpdateLog(line);
}

} // namespace

void AgentSession::Record(const OriginalKey& key, std::int64_t value) const
{
    Recorded(original.WriteInt(key, value), key, original.Path());
}

void AgentSession::RecordSeconds(const OriginalKey& key, std::int64_t seconds) const
{
    Recorded(original.WriteSeconds(key, seconds), key, original.Path());
}
