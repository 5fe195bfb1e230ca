// The temporary work folder of a setup run, and an alternative on a roomier fixed drive.
// Windows only. Each is a folder of the run's own (util/PrivateAccessWin.h): made new
// with a name nobody can predict and the private access list, and held, so that no
// other run, user or program can share, prepare, swap or empty it.
#pragma once
#include <string>

#include "util/SysResult.h"

// "SETUP_" + 16 random hex digits under the system's temporary folder, made on the first
// call and then returned until it is removed; empty when it could not be made.
std::string WorkFolder();
// Deletes the work folder with its contents (never through a link); the next call of
// WorkFolder makes another.
void RemoveWorkFolder();
// True when a fixed drive among C:, D: and E: has more free space than the temporary
// drive; remembers it as the alternative temp base.
bool FindRoomierTempDrive();
// The alternative base + "_" + 16 random hex digits, made on the first call; empty while
// there is no alternative base or when it could not be made.
std::string AlternativeWorkFolder();
// Deletes the alternative work folder if one was made.
void RemoveAlternativeWorkFolder();

// Creates a folder and every missing parent; succeeds when it exists afterwards.
SysResult CreateFolderPath(const std::string& path);
