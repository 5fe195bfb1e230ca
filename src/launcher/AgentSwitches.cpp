#include "launcher/AgentSwitches.h"

#include "util/KSUB.h"
#include "util/Utils.h"

std::string XCopyArguments(const std::string& transient, const std::string& delay, const std::string& agentFolder)
{
    std::string arguments;
    if (!agentFolder.empty())
        arguments += " \"/AgentFolder=" + WithoutBackslash(agentFolder) + "\"";
    if (!transient.empty())
        arguments += " /TRANSIENTx=" + transient;
    if (!delay.empty())
        arguments += " /SleepX=" + delay;
    return arguments;
}

LocalMessage ParseLocalMessage(const std::string& value)
{
    const std::string list = ":" + value + ":";
    return {SUB::ListItemInt(list, 0, 0), SUB::ListItemInt(list, 1, 0)};
}

std::string AgentWindowClass(const std::string& fileName) { return ".AutoUpdate." + FileTitle(fileName, false); }
