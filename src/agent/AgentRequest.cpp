#include "agent/AgentRequest.h"

#include "agent/AgentTick.h"
#include "agent/OriginalFileWin.h"

namespace {

std::int32_t Low32(std::int64_t value) { return static_cast<std::int32_t>(value); }

} // namespace

std::int32_t PerformAgentRequest(std::uint32_t code, std::int32_t value)
{
    using C = AgentRequestCode;
    AgentState& agent = Agent();
    const C request = static_cast<C>(code);
    switch (request) {
    case C::GetVersionOriginal: return Low32(ReadInfoInt(Keys::VersionOriginal));
    case C::GetVersionNew: return Low32(ReadInfoInt(Keys::VersionNew));
    case C::GetState: return agent.state;
    case C::GetProbeInterval: return Low32(ReadInfoInt(Keys::ProbeSecondsInterval));
    case C::GetReAskInterval: return Low32(ReadInfoInt(Keys::ReAskSecondsInterval));
    case C::GetProbeLast: return Low32(ReadInfoInt(Keys::ProbeSecondsLast));
    case C::GetReAskLast: return Low32(ReadInfoInt(Keys::ReAskSecondsLast));
    case C::SetProbeInterval: WriteInfoInt(Keys::ProbeSecondsInterval, value); return 0;
    case C::SetReAskInterval: WriteInfoInt(Keys::ReAskSecondsInterval, value); return 0;
    case C::SetProbeLast: WriteInfoSeconds(Keys::ProbeSecondsLast, value); return 0;
    case C::SetReAskLast: WriteInfoSeconds(Keys::ReAskSecondsLast, value); return 0;
    case C::SetShutdownCountdown: agent.shutdownCountdown = value; return 0;
    case C::PerformUpdateCycle:
        agent.checkNow = true;
        if (agent.timerCount < 1)
            agent.timerCount = 1;
        if (value == 2)
            agent.mode = 2;
        return 0;
    case C::JustDownloadInfoFile: agent.justDownloadInfoFile = true; return 0;
    default:
        if (code >= static_cast<std::uint32_t>(C::SetOverrideFirst) &&
            code <= static_cast<std::uint32_t>(C::SetOverrideLast))
            AgentOverrides()[code - static_cast<std::uint32_t>(C::SetOverrideFirst)] =
                static_cast<std::uint8_t>(value & 0xFF);
        return 0;
    }
}
