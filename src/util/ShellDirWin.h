// The special folders of util/ShellDir.h as the running system's shell answers them.
#pragma once

#include <string>

#include "util/ShellDir.h"

// Both shell queries are looked up at every call, so the launcher also starts where
// either library or function is missing; a missing one counts as a failed query.
ShellFolderSource SystemShellFolders();
std::string SpecialFolderPath(SpecialFolder which, bool trailingSeparator);
