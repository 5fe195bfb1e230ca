// One run of the update agent: everything the agent's steps read and change, owned by
// the launcher window's run in agent mode and handed to every step. The window procedure
// answers other processes' requests from it (agent/AgentRequest.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "agent/AgentFolders.h"
#include "agent/AgentHost.h"
#include "agent/OriginalFileWin.h"
#include "agent/Overrides.h"
#include "agent/Release.h"
#include "trust/PublicKey.h"

class TGFileInfo;

// Wire values: other processes read the state with request 7.
enum class AgentMode : int {
    Background = 0,
    Interactive = 1,          // the user asked for this check: results are always shown
    InteractiveRequested = 2, // becomes Interactive on the next tick
};
enum class AgentState : std::int32_t {
    Idle = 0,
    Checking = 1,
    Fetching = 2,      // the update or inform file
    RunningUpdate = 3, // the update's setup
};

// The agent's files beside it in folder, which it writes there (agent/AgentFolders.h).
AgentFiles AgentFilesIn(const std::string& folder, const TGFileInfo& own);

// Test mode: a developer's folder replaces the update server for the day.
struct TestMode {
    bool on = false;
    std::string url;
    DWORD readAt = 0; // tick count of the last registry read
};

struct AgentSession {
    AgentSession(AgentHost host, AgentFiles files);

    AgentHost host;
    AgentFiles files;
    OriginalFile original;
    // The publisher's keys the product's payload carries: releases must be signed by one.
    // Never taken from a server.
    PayloadKeys keys;
    OverrideBytes overrides = FreshOverrides();
    // The version of the release the last fetch of its description brought (request 5).
    std::int64_t releaseVersion = 0;

    int timerCount = -3;        // checks begin once it reaches 1; "/SleepX=" sets it
    int shutdownCountdown = -1; // 0: quit on this tick; above 0: count down; -1: never
    AgentMode mode = AgentMode::Background;
    bool probingEnabled = true;
    bool checkNow = false;
    bool justDownloadInfoFile = false;
    bool tickBusy = false;
    // Told to end at once while a step was under way: no box waits for an answer any
    // more, and no wait goes on; the next tick ends the run.
    bool stopping = false;
    AgentState state = AgentState::Idle;
    TestMode test;
    HWND window = nullptr; // the launcher window the agent runs in (hidden)

    bool Interactive() const { return mode == AgentMode::Interactive; }
    // The update server of the payload's update options.
    std::string UpdateServer() const;
    // Posts (code, value) to the notify window through the host.
    void Notify(int code, int value) const;
    // Sets the launcher window's label through the host.
    void Caption(const std::string& text) const;
    // Writes a value of the ".original" file; one that could not be written is logged
    // ("ERROR: ... not recorded"), since the agent's later checks read it.
    void Record(const OriginalKey& key, std::int64_t value) const;
    void RecordSeconds(const OriginalKey& key, std::int64_t seconds) const;
};

// The agent's state for as long as a step runs; the state before it afterwards.
class AgentStateScope {
public:
    AgentStateScope(AgentSession& session, AgentState state) : session_(session), previous_(session.state)
    {
        session_.state = state;
    }
    ~AgentStateScope() { session_.state = previous_; }
    AgentStateScope(const AgentStateScope&) = delete;
    AgentStateScope& operator=(const AgentStateScope&) = delete;

private:
    AgentSession& session_;
    const AgentState previous_;
};
