// Which file an update may delete once its engine reported completion: only a start-up
// shortcut. The names come from the installed product's description and the release, so
// a name that leads anywhere else is never deleted.
#pragma once

#include <string>
#include <vector>

// True when path is a ".lnk" file right inside one of startupFolders (the user's and all
// users' Startup folders; full paths, compared without regard to case). A path with "."
// or ".." parts, "/", a stream (":" past the drive) or a wildcard is none.
bool IsStartupShortcut(const std::string& path, const std::vector<std::string>& startupFolders);
