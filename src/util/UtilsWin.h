// The helpers of util/Utils.h that ask Windows: program and system folders and the
// user's separators. Windows build only.
#pragma once

#include <cstdint>
#include <string>

#include "util/Utils.h"

// A path as the ANSI functions take it. When the system's code page cannot hold every
// letter of it (a folder named in another script), the folder's short form, which it
// can, followed by the long file name; the whole short form when the name itself cannot
// be spelt.
std::string AnsiPath(const wchar_t* path, size_t length);
// Full path of the running program, its file name in the long form; with titleOnly its
// name without the last extension.
std::string ProgramPath(bool titleOnly);
// The running program's path as the system spells it in the ANSI command line (letters
// the code page lacks become its stand-ins): what the command line's own program part
// is found by.
std::string CommandLineProgramPath();
std::string ProgramFolder(bool add);
std::string WindowsFolder(bool add);
std::string SystemFolder(bool add);
std::string TempFolder(bool add);
// The process's current folder; empty when it cannot be read.
std::string CurrentFolder();
// A file or folder of that name exists; a file (not a folder); a folder.
bool PathExists(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// The user's separators, for StampText.
std::string UserDateSeparator();
std::string UserTimeSeparator();
// The current local date and time.
DateTime LocalNow();
// Seconds since 1970-01-01 00:00 UTC: the clock a release's expiry is read against.
std::int64_t UtcNowSeconds();
