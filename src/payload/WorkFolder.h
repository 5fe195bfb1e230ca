// The temporary work folder of a setup run, and an alternative on a roomier fixed drive.
// Windows only; the paths are kept for the whole process.
#pragma once
#include <string>

#include "util/SysResult.h"

// "SETUP_" + the launcher file's time of day (packed DOS form) under the system's
// temporary folder; emptied and created on the first call (and the first after
// RemoveWorkFolder), then only returned.
std::string WorkFolder();
// The same path, computed without touching the disk.
std::string WorkFolderPath();
// Deletes the work folder with its contents (never a relative path); the next WorkFolder()
// makes it afresh.
void RemoveWorkFolder();
// True when a fixed drive among C:, D: and E: has more free space than the temporary
// drive; remembers it as the alternative temp base.
bool FindRoomierTempDrive();
// The alternative base + "_" + a random number, emptied and created on the first call;
// empty while there is no alternative base.
std::string AlternativeWorkFolder();
// Deletes the alternative work folder if one was made.
void RemoveAlternativeWorkFolder();

// Creates a folder and every missing parent; succeeds when it exists afterwards.
SysResult CreateFolderPath(const std::string& path);
