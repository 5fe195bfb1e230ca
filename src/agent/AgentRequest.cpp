#include "agent/AgentRequest.h"

#include "agent/AgentSession.h"
#include "net/InetHTTP.h"
#include "ui/KMsgBox.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

namespace {

std::int32_t Low32(std::int64_t value) { return static_cast<std::int32_t>(value); }

} // namespace

void RequestShutdown(AgentSession& session, int countdown)
{
    session.shutdownCountdown = countdown;
    if (countdown != 0 || !session.tickBusy || session.stopping)
        return;
    TraceLine(ProcessIdText(), " ShutDown requested during a step: the step ends");
    session.stopping = true;
    RequestDownloadAbort();
    EndMessageBoxes();
}

std::int32_t PerformAgentRequest(AgentSession& session, std::uint32_t code, std::int32_t value)
{
    using C = AgentRequestCode;
    namespace K = OriginalKeys;
    const OriginalFile& original = session.original;
    switch (static_cast<C>(code)) {
    case C::GetVersionOriginal: return Low32(original.Int(K::VersionOriginal));
    case C::GetVersionNew: return Low32(session.releaseVersion);
    case C::GetState: return static_cast<std::int32_t>(session.state);
    case C::GetProbeInterval: return Low32(original.Int(K::ProbeSecondsInterval));
    case C::GetReAskInterval: return Low32(original.Int(K::ReAskSecondsInterval));
    case C::GetProbeLast: return Low32(original.Int(K::ProbeSecondsLast));
    case C::GetReAskLast: return Low32(original.Int(K::ReAskSecondsLast));
    // Setters answer 0 whatever happens; a value that could not be written is logged.
    case C::SetProbeInterval: session.Record(K::ProbeSecondsInterval, value); return 0;
    case C::SetReAskInterval: session.Record(K::ReAskSecondsInterval, value); return 0;
    case C::SetProbeLast: session.RecordSeconds(K::ProbeSecondsLast, value); return 0;
    case C::SetReAskLast: session.RecordSeconds(K::ReAskSecondsLast, value); return 0;
    case C::SetShutdownCountdown: RequestShutdown(session, value); return 0;
    case C::PerformUpdateCycle:
        session.checkNow = true;
        if (session.timerCount < 1)
            session.timerCount = 1;
        if (value == 2)
            session.mode = AgentMode::InteractiveRequested;
        return 0;
    case C::JustDownloadInfoFile: session.justDownloadInfoFile = true; return 0;
    default:
        if (code >= static_cast<std::uint32_t>(C::SetOverrideFirst) &&
            code <= static_cast<std::uint32_t>(C::SetOverrideLast))
            session.overrides[code - static_cast<std::uint32_t>(C::SetOverrideFirst)] =
                static_cast<std::uint8_t>(value & 0xFF);
        return 0;
    }
}
