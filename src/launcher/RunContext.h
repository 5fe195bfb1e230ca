// What start-up learns once and every mode of the run reads: owned by StubMain and
// passed down, never looked up from another file's variables. The role the process plays
// is decided here, once.
#pragma once

#include <cstdint>
#include <string>

#include "agent/AgentFolders.h"
#include "payload/GFileInfo.h"

enum class RunRole {
    Setup,        // the launcher window runs the setup of the payload
    SpanRelaunch, // a setup from removable disks: copies itself as Y_ into the work
                  // folder and starts that copy, so that the disk can be changed
    PlainAgent,   // the installed agent file: makes and starts its X_ copy and forwards
                  // its switches to it, never running the agent itself
    XCopy,        // the X_ copy: runs the agent, then deletes itself
    Agent,        // an agent file under another name: runs the agent where it is
};

// The role for a payload (agentPayload: its trailer marks an agent) under the file name
// ownName. spanCdLvl: the "/SpanCdLvl=" switch (1 when absent).
RunRole RunRoleOf(bool agentPayload, const std::string& ownName, const std::string& agentName, std::int64_t spanCdLvl,
                  bool spanFromDisks);

struct RunContext {
    // Opens the descriptor of the launcher's own file (or, in tests, of any payload).
    // spanFirstVolume: the "/SpanDiskFName1=" switch (empty when absent).
    explicit RunContext(const std::string& ownPath, std::int64_t spanCdLvl = 1,
                        const std::string& spanFirstVolume = std::string());

    TGFileInfo own;
    // Update-agent mode (trailer byte 69 of the own payload) rather than setup mode.
    const bool agentRun;
    const std::string ownName; // the launcher's file name
    const RunRole role;
    // The Y_ copy of a setup from removable disks ("/SpanCdLvl=2"): once its window has
    // ended it deletes itself and its folder.
    const bool spanCopy;
    // Where the own payload's later volumes lie (volume n: volumeBase + ".00n"): beside
    // the launcher, and for the Y_ copy beside the setup it runs for. The copy reads its
    // first volume from its own file, never from a ".001" found beside the setup.
    const std::string volumeBase;
    // The class of the launcher's window, which is also the single-instance guard: one
    // window per setup path, one per agent name. The Y_ copy takes the path of the setup
    // it runs for (its first volume's without ".001"): its own folder is new on every
    // run, and a second start of that setup must still find it.
    std::string windowClass;
    // In agent mode: where the agent is installed and where it writes, decided at
    // start-up once the system has been asked (launcher/AgentRoles.h).
    AgentFiles agentFiles;
};
