// Settings, registry and system helpers on Windows: INI files, registry values, facts
// about the machine and the user, screen measures, starting documents, and the waits
// that keep the program's windows alive. Reads give the caller's default for anything
// missing; nothing here throws.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "util/ScopedWin.h"
#include "util/SysUtils.h"

// ---- INI files (values up to 10,240 characters) ----------------------------------
// An empty section, a missing key or a key with an empty value gives the default.
std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& def);
int64_t ReadIniInt(const std::string& file, const std::string& section, const std::string& key, int64_t def);
[[nodiscard]] bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                                  const std::string& value);
[[nodiscard]] bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key,
                               int64_t value);

// ---- registry -----------------------------------------------------------------------
HKEY RegistryRootHandle(RegistryRootKey root);
// The value named valueName under the key of path ("HKLM\Software\X"); def when the key
// or value is missing or the value is larger than 10,241 bytes.
std::string ReadRegistryValue(const std::string& path, const std::string& valueName, const std::string& def);

// ---- machine and user -------------------------------------------------------------
bool IsWindowsNT();
std::string WindowsVersionKey();
std::string RegisteredOwnerName();
std::string RegisteredOrganizationName();
std::string UserName();
std::string ComputerName();
std::string AccountDomain(const std::string& accountName);
std::string UserDomain();
// The file version "a.b.c.d" of file (empty: the running program), normalised when
// width > 1 or parts < 4; empty when the file has no version.
std::string FileVersionText(const std::string& file, int width, int parts);
// The system's message for an error code; LastErrorText reads the last error itself.
std::string ErrorText(DWORD code);
std::string LastErrorText();
// True when the environment variable DVX holds exactly "543"; read once per process.
bool IsDeveloperMode();

// ---- screen and windows -------------------------------------------------------------
int ScaleByDpi(int points);
POINT CenterInWorkArea(int width, int height);
std::string WindowText(HWND window);

// ---- processes and libraries --------------------------------------------------------
// This process's id in decimal: the prefix of the launcher's trace lines, which tells
// the lines of several launcher processes apart.
std::string ProcessIdText();
// Opens file with its default verb; true when the shell accepted it.
bool ShellOpen(const std::string& file, const std::string& parameters, int showMode);
// The first thing the launcher does: DLLs that are loaded by name come from the system
// folder only (where the system offers that), or at least never from the current
// folder. A setup runs from a Downloads folder that may hold a planted DLL of any name.
void HardenDllSearch();
// A system DLL loaded by its full path in the system folder, never through the search
// path, so a planted copy beside the program is not picked up. None when it is missing.
ScopedLibrary LoadSystemLibrary(const std::string& name);
// A function of a loaded library as its own pointer type; null when it is missing.
template <class Fn> Fn ProcFrom(HMODULE library, const char* name)
{
    // Through the one function type that converts to every other without a warning.
    return library ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name))) : nullptr;
}

// Registers the common controls of the classes (ICC_... flags) from the system folder's
// library, which stays loaded. The launcher imports only libraries the system itself
// holds ready: an imported library is looked for beside the program before anything
// of the program runs, where a planted copy would win.
bool InitSystemCommonControls(DWORD classes);

// ---- waiting ------------------------------------------------------------------------
// Dispatches every waiting message of this thread, then sleeps milliseconds.
void YieldX(DWORD milliseconds);
// Waits duration milliseconds, pumping messages every step (0: see SleepStep).
void SleepPumping(int64_t step, int64_t duration);
// Returns once no top-level window of that class and title exists (an empty text
// matches any), keeping this thread's windows alive meanwhile: true then; false when one
// still exists after limit milliseconds.
bool WaitWhileWindowExists(const std::string& className, const std::string& title, int64_t limit);
// The high-resolution counter in milliseconds.
int64_t MillisecondClock();

// ---- AutoPlay -----------------------------------------------------------------------
// While on, the program's windows answer AutoPlayMessage() with 1 (no AutoPlay).
void SetAutoPlaySuppression(bool on);
UINT AutoPlayMessage();
