// Command lines: the launcher's arguments cut from a raw line, the switch readers, switch
// removal and the engine's command line built from a run target and the arguments.
// Properties: argument texts and switch values come trimmed, and a value never holds a
// quote; a switch written as "/NAME=VALUE" reads back as its trimmed value; removing a
// switch only ever shortens the text; the engine's line starts with its program path,
// carries the token and never the span switches; "/WM_MSG=" gives the numbers it holds
// and the X_ copy gets only the switches that were given.
#include "FuzzInput.h"
#include "launcher/AgentSwitches.h"
#include "launcher/EngineCommand.h"
#include "util/CommandLine.h"
#include "util/Utils.h"

namespace {

bool Trimmed(const std::string& s) { return s == TrimText(s); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> f = Fields(data, size, 4);
    const std::string& name = f[0];
    const std::string& args = f[1];

    FUZZ_CHECK(Trimmed(CommandArgsOf(args, f[2])));
    HasSwitchIn(args, "/" + name);
    const std::string value = SwitchValueIn(args, "/" + name + "=", "\x01");
    FUZZ_CHECK(value == "\x01" || (Trimmed(value) && value.find('"') == std::string::npos));
    SwitchIntIn(args, "-" + name, 7);

    // A plain name and a value that holds neither the next switch nor the blanks the
    // key lookup drops read back exactly.
    const std::string plainName =
        FilterChars(name, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "");
    const std::string plainValue = FilterChars(f[3], "", std::string("\"/\x01", 3));
    if (!plainName.empty() && plainValue.find(" =") == std::string::npos)
        FUZZ_CHECK(SwitchValueIn("/" + plainName + "=" + plainValue, "/" + plainName + "=", "\x01") ==
                   TrimText(plainValue));

    const std::string removed = RemoveSwitch(args, name);
    FUZZ_CHECK(removed.size() <= args.size());
    if (!name.empty() && args.find(name) != std::string::npos)
        FUZZ_CHECK(removed.size() < args.size());

    EngineLaunch launch;
    launch.workFolder = f[2];
    launch.runTarget = f[3];
    launch.extraArgs = args;
    launch.token = "_42";
    launch.launcherPath = "C:\\setup.exe";
    launch.agentMode = !name.empty() && name[0] & 1;
    // The program path heads the line untouched; the span switches never reach the
    // arguments.
    const std::string program = EngineProgramPath(launch);
    const std::string arguments = EngineArguments(launch);
    FUZZ_CHECK(EngineCommandLine(launch) == program + " " + arguments);
    FUZZ_CHECK(arguments.find("/SpanCdLvl=") == std::string::npos &&
               arguments.find("/SpanDiskFName1=") == std::string::npos);
    const LocalMessage local = ParseLocalMessage(std::to_string(name.size()) + ":" + args);
    FUZZ_CHECK(local.window == static_cast<std::int64_t>(name.size()));
    ParseLocalMessage(args);
    const std::string xArgs = XCopyArguments(name, args);
    FUZZ_CHECK(xArgs.empty() == (name.empty() && args.empty()));
    return 0;
}
