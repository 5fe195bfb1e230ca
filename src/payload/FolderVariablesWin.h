// Folder variables expanded with the running system's values (payload/FolderVariables.h).
#pragma once

#include <string>

#include "payload/FolderVariables.h"

// Registry and shell values are read anew at every expansion; only the origin path
// ("/OriginExe=", else the launcher's own path) is read once per process.
VariableSource SystemVariableSource();
std::string ExpandVariables(const std::string& text, const std::string& folderSuffix, bool pathVariables,
                            bool resolveRelative);
