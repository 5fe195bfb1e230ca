// The launcher's own exit codes. A setup that ran its engine ends with the engine's
// code, unchanged (0 included); every way a setup can fail or be declined before that
// ends with one of these instead, so that a script running setups silently can tell
// success from failure by the code alone. They are the codes deployment tools already
// know from the system's installer service.
#pragma once

enum LauncherExitCode : unsigned long {
    kExitUserCancelled = 1602,    // a question declined, Cancel at a disk prompt, elevation refused
    kExitFailed = 1603,           // extraction failed: a damaged entry, a file that cannot be written, memory
    kExitAlreadyRunning = 1618,   // the same setup is already running
    kExitEngineNotStarted = 1619, // the setup engine, or the plain agent's X_ copy, could not be started
    kExitDamagedSetup = 1620,     // the payload or a volume fails its checksum, or there is none
    kExitDownloadFailed = 1612,   // a web setup could not fetch its setup file
    kExitWorkFolderFailed = 1632, // the temporary work folder cannot be created
};
