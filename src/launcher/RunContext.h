// What start-up learns once and every mode of the run reads: owned by StubMain and
// passed down, never looked up from another file's variables.
#pragma once

#include <string>

#include "payload/GFileInfo.h"

struct RunContext {
    // Opens the descriptor of the launcher's own file (or, in tests, of any payload).
    explicit RunContext(const std::string& ownPath) : own(ownPath), agentRun(own.IsUpdateAgent()) {}

    TGFileInfo own;
    // Update-agent mode (trailer byte 69 of the own payload) rather than setup mode.
    const bool agentRun;
    // The class of the launcher's window, which is also the single-instance guard.
    std::string windowClass;
    // The exit code the process ends with; the setup run stores the engine's here.
    unsigned long exitCode = 0;
};
