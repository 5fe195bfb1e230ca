#include "launcher/RunContext.h"

#include "launcher/AgentSwitches.h"
#include "payload/PayloadEntry.h"
#include "util/Utils.h"

RunRole RunRoleOf(bool agentPayload, const std::string& ownName, const std::string& agentName, std::int64_t spanCdLvl,
                  bool spanFromDisks)
{
    if (agentPayload && SameTextTrimmed(ownName, agentName))
        return RunRole::PlainAgent;
    if (agentPayload && SameTextTrimmed(ownName, XCopyName(agentName)))
        return RunRole::XCopy;
    if (spanCdLvl == 1 && spanFromDisks)
        return RunRole::SpanRelaunch;
    return agentPayload ? RunRole::Agent : RunRole::Setup;
}

RunContext::RunContext(const std::string& ownPath, std::int64_t spanCdLvl, const std::string& spanFirstVolume)
    : own(ownPath), agentRun(own.IsUpdateAgent()), ownName(FileNamePart(ownPath)),
      role(RunRoleOf(agentRun, ownName, own.AgentFileName(), spanCdLvl, own.SpanFromDisks())), spanCopy(spanCdLvl == 2),
      volumeBase(VolumeBasePath(spanCopy && !spanFirstVolume.empty() ? spanFirstVolume : ownPath)),
      windowClass(agentRun                               ? AgentWindowClass(ownName)
                  : spanCopy && !spanFirstVolume.empty() ? VolumeBasePath(spanFirstVolume)
                                                         : ownPath)
{
}
