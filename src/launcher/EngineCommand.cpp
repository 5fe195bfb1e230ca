#include "launcher/EngineCommand.h"

#include "payload/PayloadEntry.h"
#include "util/Utils.h"

namespace {
const char kAtomPrefix[] = "AutoUpdateAtomTokenByKalvex";
const char kDialogPrefix[] = ".SDialog_Class_Name.";
} // namespace

std::string EngineToken(unsigned long threadId) { return "_" + std::to_string(threadId); }

std::string CompletionAtomName(const std::string& token) { return kAtomPrefix + token; }

std::string EngineDialogClass(const std::string& token) { return kDialogPrefix + token; }

std::string RemoveSwitch(const std::string& text, const std::string& name)
{
    if (name.empty())
        return text;
    // A command line may carry a switch twice (a relaunch appends its own span switches
    // to the arguments it was given): every one goes. Each pass removes at least the
    // switch's first character, so the loop ends.
    std::string rest = text;
    for (std::size_t found = rest.find(name); found != std::string::npos; found = rest.find(name)) {
        std::size_t from = found;
        std::size_t next = rest.find('/', found + 1);
        // Quotes around a whole argument go with it: a quote that opens the removed switch
        // is removed too, one that opens the next switch stays, so no quote is left unpaired.
        // A quote that belongs to the name itself is not the next switch's.
        if (from > 0 && rest[from - 1] == '"')
            --from;
        if (next != std::string::npos && next >= found + name.size() + 2 && rest[next - 1] == '"' &&
            rest[next - 2] == ' ')
            --next;
        rest = rest.substr(0, from) + (next == std::string::npos ? std::string() : rest.substr(next));
    }
    return rest;
}

namespace {

struct TargetParts {
    std::string program, arguments;
};

TargetParts SplitRunTarget(const EngineLaunch& launch)
{
    const std::size_t star = launch.runTarget.find('*');
    if (star == std::string::npos)
        return {launch.runTarget, launch.extraArgs};
    return {RunTargetProgram(launch.runTarget),
            TrimText(launch.extraArgs + " " + TrimText(launch.runTarget.substr(star + 1)))};
}

} // namespace

std::string EngineProgramPath(const EngineLaunch& launch)
{
    return WithBackslash(launch.workFolder, true) + SplitRunTarget(launch).program;
}

std::string EngineArguments(const EngineLaunch& launch)
{
    std::string line = SplitRunTarget(launch).arguments;
    line += (line.empty() ? "/TH_ID=" : " /TH_ID=") + launch.token;
    if (line.find("/OriginExe=") == std::string::npos)
        line += " /OriginExe=\"" + launch.launcherPath + "\"";
    if (launch.agentMode)
        line += " /AutoUpdateProg";
    line = RemoveSwitch(line, "/SpanCdLvl=");
    return RemoveSwitch(line, "/SpanDiskFName1=");
}

std::string EngineCommandLine(const EngineLaunch& launch)
{
    return EngineProgramPath(launch) + " " + EngineArguments(launch);
}

ElevationStep EngineElevationStep(bool needsRights, unsigned long plainError, bool launcherElevated)
{
    constexpr unsigned long kElevationRequired = 740; // ERROR_ELEVATION_REQUIRED
    if (launcherElevated)
        return plainError == kElevationRequired ? ElevationStep::ElevateEngine : ElevationStep::None;
    return needsRights || plainError == kElevationRequired ? ElevationStep::RelaunchLauncher : ElevationStep::None;
}

std::string AgentUpdateArguments(const std::string& extraArgs, const std::string& agentPath,
                                 const std::string& agentName, bool foreground)
{
    std::string line =
        TrimText(extraArgs + " /OriginExe=\"" + agentPath + "\" " + kAgentUpdateSwitch + "\"" + agentName + "\"");
    return foreground ? line : line + " /hide";
}

std::string AgentUpdateEngineArguments(const std::string& arguments)
{
    return TrimText(RemoveSwitch(RemoveSwitch(arguments, kAgentUpdateSwitch), "/hide"));
}
