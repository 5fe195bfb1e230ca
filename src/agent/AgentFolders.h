// Where the update agent keeps its files, decided once per process.
//
// The agent file lies in the installed product's folder, beside the product's
// description (".original"), which the product's installer wrote. Everything the agent
// writes goes into one folder of its own, its state folder:
//   - the product's folder itself, when the agent may write there and into the
//     description (a product installed per user, or by an agent with rights); that is
//     where every earlier release kept them;
//   - else a folder of the user's own, PerUserAgentFolder (a product in Program Files,
//     its agent started at log-on by a standard user). The agent then never writes into
//     the product's folder: what it records goes into a description of its own there,
//     read before the installed one (agent/OriginalFileWin.h).
// Its state folder holds: the release's description (".info") and its signature as last
// fetched and checked, the update log, the X_ copy that runs the agent, and the folder
// of fetched files ("X_" + the agent's name + ".fetch"), in which every file is made new
// under a name of its own and removed once used. A name a server gives never becomes a
// path anywhere else.
#pragma once

#include <string>
#include <vector>

struct AgentFiles {
    std::string install;     // the agent file's folder (trailing "\"): the product's
    std::string state;       // where the agent writes (trailing "\"): install or per user
    std::string original;    // the product's description, in install
    std::string overlay;     // what the agent records when state is not install ("X_" + the
                             // description's name, in state); else empty
    std::string info;        // the release's description as last fetched, in state
    std::string signature;   // its signature beside it
    std::string fetchFolder; // fetched files in transit (trailing "\")
    std::string log;         // the update log
    std::string xCopy;       // the X_ copy that runs the agent
    bool PerUser() const { return !overlay.empty(); }
    // The file names a server may not give: the agent's own files.
    std::vector<std::string> OwnNames(const std::string& agentFileName) const;
};

// The X_ copy's file name: "X_" + the agent's.
std::string XCopyName(const std::string& agentFileName);

// The files of an agent installed in install that writes into state (the same folder, or
// its per-user folder); infoFileName and installedInfoName as the payload names them.
AgentFiles AgentFilesOf(const std::string& install, const std::string& state, const std::string& infoFileName,
                        const std::string& installedInfoName, const std::string& agentFileName);

// The per-user state folder of an agent installed in install, under the user's local
// application data (trailing "\"): "Kalvex\Agents\" + the agent's name without extension
// + "-" + 16 hex digits drawn from the install folder, so that two products, or one
// product installed twice, never share one.
std::string PerUserAgentFolder(const std::string& localAppData, const std::string& install,
                               const std::string& agentFileName);
