// Bringing the agent's files into its folder: the ".info" file, the update setup file
// and the inform file, copied from a folder or downloaded from a web server, and checked
// before anything reads them.
#pragma once

#include <string>

enum class FetchKind { Info = 1, Update = 2, Inform = 3 };

// Fetches the file named by the last part of path from base (a folder, or a web address
// to which "/" + name is added; in test mode the test folder). True when it arrived and
// passed its check: a ".info" file must not be a server's error page, an update or
// inform file must carry the agent's own update token (one that does not is deleted at
// once and the user told). error receives why a fetch failed.
bool DownloadFileAU(const std::string& base, const std::string& path, FetchKind kind, std::string& error);

// Where DownloadFileAU puts the file that path names: the agent's folder and the bare
// name; empty when the name is not a usable bare name.
std::string FetchedFilePath(const std::string& path);

// True when file (an update setup or an inform file) carries the running agent's update
// token; a damaged token matches nothing.
bool TokenCheck(const std::string& file, FetchKind kind);
