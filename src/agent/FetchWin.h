// Bringing the agent's files into its folder: the ".info" file, the update setup file
// and the inform file, copied from a folder or downloaded from a web server, and checked
// before anything reads them.
#pragma once

#include <string>

#include "agent/Fetch.h"

struct AgentSession;

// Fetches the file named by the last part of path from base (a folder, or a web address
// to which "/" + name is added; in test mode the test folder) into the session's fetch
// folder. It has arrived when a ".info" file is no server's error page and has been
// kept (the update's engine reads it), and when an update or inform file carries the
// agent's own update token (one that does not is deleted at once and the user told).
// confirmDownload: the release asked before the download, so the download is shown and
// a failure explained.
FetchOutcome DownloadFileAU(AgentSession& session, const std::string& base, const std::string& path, FetchKind kind,
                            bool confirmDownload);

// Where DownloadFileAU puts the file that path names: the fetch folder and the bare
// name; empty when the name is not a usable bare name.
std::string FetchedFilePath(const AgentSession& session, const std::string& path);

// True when file (an update setup or an inform file) carries the running agent's update
// token; a damaged token matches nothing.
bool TokenCheck(const AgentSession& session, const std::string& file, FetchKind kind);
