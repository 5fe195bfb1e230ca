// A payload for the agent's tests: the launcher stand-in with update options that carry
// an update token, written by the builder into folder under name.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "FakeLauncher.h"
#include "PayloadWriter.h"

// serverUrl: its update address; keys: the publisher's public keys (hex) it carries.
inline std::string WriteAgentPayload(const std::string& folder, const std::string& name, const std::string& token,
                                     const std::string& serverUrl = "http:", const std::vector<std::string>& keys = {})
{
    const std::string image = folder + "\\image.exe";
    std::ofstream(image, std::ios::binary) << FakeLauncher();
    BuildPlan plan;
    plan.launcher = image;
    plan.output = folder + "\\" + name;
    plan.hasUpdate = true;
    plan.agentFile = "agent.exe";
    plan.updateToken = token;
    plan.serverUrl = serverUrl;
    plan.releaseKeys = keys;
    return WritePayload(plan).front();
}
