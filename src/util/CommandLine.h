// Reading a command line's arguments and switches ("/Name=value", "/flag"): the rules on
// a given text. The process's own command line is read through util/CommandLineWin.h.
#pragma once

#include <cstdint>
#include <string>

// The arguments of raw after the program's own name, trimmed.
std::string CommandArgsOf(const std::string& raw, const std::string& programPath);
bool HasSwitchIn(const std::string& args, const std::string& sw);
std::string SwitchValueIn(const std::string& args, const std::string& sw, const std::string& def);
int64_t SwitchIntIn(const std::string& args, const std::string& sw, int64_t def);
