#include "util/CommandLineWin.h"

#include <windows.h>

#include "util/UtilsWin.h"

std::string RawCommandLine()
{
    const char* line = ::GetCommandLineA();
    return line ? line : "";
}

// The command line names the program as it was started, in the code page's letters:
// its arguments are found whatever the program's folder is called.
std::string CommandArgs() { return CommandArgsOf(RawCommandLine(), CommandLineProgramPath()); }

bool HasSwitch(const std::string& sw) { return HasSwitchIn(CommandArgs(), sw); }

std::string SwitchValue(const std::string& sw, const std::string& def) { return SwitchValueIn(CommandArgs(), sw, def); }

int64_t SwitchInt(const std::string& sw, int64_t def) { return SwitchIntIn(CommandArgs(), sw, def); }
