// The process's own command line and its switches (the rules are in util/CommandLine.h).
#pragma once

#include <cstdint>
#include <string>

#include "util/CommandLine.h"

// The command line exactly as the system passed it to this process.
std::string RawCommandLine();
// The process's own arguments and switches.
std::string CommandArgs();
bool HasSwitch(const std::string& sw);
std::string SwitchValue(const std::string& sw, const std::string& def);
int64_t SwitchInt(const std::string& sw, int64_t def);
