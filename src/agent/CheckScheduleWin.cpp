#include "agent/CheckScheduleWin.h"

#include <windows.h>

#include "agent/AgentSession.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

bool CheckTestMode(AgentSession& session, bool forced)
{
    TestMode& test = session.test;
    const DWORD now = ::GetTickCount();
    // The time is taken only when the registry is read: taken on every call, the tick's
    // call every second would keep the 30 seconds from ever passing.
    if (!TestModeRefreshDue(forced, now, test.readAt))
        return test.on;
    test.readAt = now;
    test.on = IsTestModeOn(ReadRegistryValue(kTestModeKey, "TestMode", "0"),
                           ReadRegistryValue(kTestModeKey, "TestModeDate", ""), LocalNow());
    test.url = ReadRegistryValue(kTestModeKey, "TestModeURL", "");
    return test.on;
}

std::int64_t NowSeconds() { return SecondsFromDateTime(LocalNow()); }

ShotTime ShotTimeStatus(AgentSession& session)
{
    ShotTimeFacts facts;
    facts.probingEnabled = session.probingEnabled;
    facts.checkNow = session.checkNow;
    facts.testMode = session.test.on;
    facts.probeSecondsInterval = session.original.Int(OriginalKeys::ProbeSecondsInterval);
    facts.probeSecondsLast = session.original.Int(OriginalKeys::ProbeSecondsLast);
    facts.now = NowSeconds();
    session.checkNow = false;
    return ShotTimeStatus(facts);
}
