// The temporary files of a build in progress ("OUTPUT.part" and its volumes'), removed
// when the build is interrupted (Ctrl-C, a terminal closed, a kill), so that nothing
// half-written is left behind.
#pragma once

#include <string>

// Installs the handlers that remove the registered files and then end the process as
// the signal would have. Call once, before building.
void RemovePartFilesOnInterrupt();
// A file the build writes under a temporary name; forgotten when the build is done.
void RegisterPartFile(const std::string& path);
void ForgetPartFiles();
