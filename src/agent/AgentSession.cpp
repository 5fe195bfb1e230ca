#include "agent/AgentSession.h"

#include "payload/GFileInfo.h"
#include "util/FilesWin.h"
#include "util/IniText.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"

AgentFiles AgentFilesIn(const std::string& folder, const TGFileInfo& own)
{
    const std::string at = WithBackslash(folder, true);
    return {at + own.InstalledInfoName(), at + own.InfoFileName(), at};
}

AgentSession::AgentSession(AgentHost hostIn, AgentFiles filesIn)
    : host(std::move(hostIn)), files(std::move(filesIn)), original(files.original),
      // The release kept from an earlier run answers until this run has fetched one.
      releaseVersion(IniText(ReadFileRange(files.info, 0, 0)).Int("NewSetup", "VersionNew", 0))
{
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
