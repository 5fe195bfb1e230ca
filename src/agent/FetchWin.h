// Bringing the agent's files in: the ".info" file and its signature, the update setup
// file and the inform file, copied from a folder or downloaded from a web server, and
// checked before anything reads them. Nothing is written where a server names: the
// ".info" and the inform file are fetched into memory, the update setup into a new file
// of its own in the agent's fetch folder (agent/AgentFolders.h).
#pragma once

#include <optional>
#include <string>

#include "agent/Fetch.h"
#include "trust/HeldFileWin.h"
#include "trust/SignedRelease.h"

struct AgentSession;

// Fetches the file named by the last part of path from base into memory (kinds Info and
// Inform: outcome.bytes) or into file (kind Update). base is the product's own address
// for the ".info", the release's for the others (agent/Fetch.h says which addresses are
// taken); in test mode the test folder replaces it.
// It has arrived when a ".info" is no server's error page, and when an update or inform
// file is what the release signed (expected: its size and SHA-256, for a keyed product)
// and carries the agent's own update token. One that is not is dropped at once, logged
// ("ERROR: ...") and the user told.
// confirmDownload: the release asked before the download, so the download is shown and a
// failure explained.
FetchOutcome DownloadFileAU(AgentSession& session, const std::string& base, const std::string& path, FetchKind kind,
                            bool confirmDownload, const std::optional<SignedFile>& expected = std::nullopt,
                            HeldDownload* file = nullptr);

// The signature file served beside the ".info" (its name + ".sig") from the product's
// own address, into memory; empty when none came.
std::string FetchSignature(AgentSession& session, const std::string& infoName);

// True when the update setup file carries the running agent's update token; a damaged
// token matches nothing.
bool UpdateTokenCheck(const AgentSession& session, const std::string& file);
// The same for the bytes of an inform file.
bool InformTokenCheck(const AgentSession& session, const std::string& bytes);
