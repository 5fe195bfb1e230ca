// File names that an update server hands the agent (NameOfUpdateFile, NameOfInformFile).
#pragma once

#include <string>
#include <vector>

// The file-name part of name when it is a usable bare name; empty for an empty name, a
// dots-only name, a device name (CON, NUL, COM1 ...) or one with a wildcard or stream
// colon. A server must not make the agent read or write a device or another folder.
std::string BareServerName(const std::string& name);

// True when name is one of ownNames, letter case ignored: a server may not name the
// agent's own files (its ".original", ".info", the agent file, its X_ copy, its log).
bool IsOwnFileName(const std::string& name, const std::vector<std::string>& ownNames);
