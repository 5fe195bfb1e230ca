// Where the agent installed in a folder keeps its files (agent/AgentFolders.h), as this
// system and this user allow.
#pragma once

#include <string>

#include "agent/AgentFolders.h"

class TGFileInfo;

// The agent's files when it is installed in install: its state folder is install when
// the folder and the product's description there can be written, else the user's own
// folder for it, made when missing. Decided anew by every process that asks (the plain
// agent and its X_ copy ask alike and come to the same answer).
AgentFiles AgentFilesFor(const std::string& install, const TGFileInfo& own);
