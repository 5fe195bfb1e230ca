// Settings, registry and system helpers: the portable pieces. The Win32 operations
// (INI files, registry reads, machine facts, message pumping) are in util/SysUtilsWin.h.
#pragma once

#include <cstdint>
#include <string>

// Registry root keys, named without <windows.h>.
enum class RegistryRootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

// "HKEY_LOCAL_MACHINE" or "HKLM" and so on, any case; anything else is the current user.
RegistryRootKey RegistryRootOf(const std::string& name);

struct RegistryPath {
    RegistryRootKey root = RegistryRootKey::CurrentUser;
    std::string subKey;
};
// "HKLM\Software\X" gives local machine and "Software\X"; a path that does not begin
// with "HK" is a sub-key of the current user.
RegistryPath SplitRegistryPath(const std::string& path);

// Registry value types as the system numbers them.
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
// The text of a registry value: a double word as unsigned decimal, a multi-string with
// its strings joined by "<0>", anything else up to its first zero byte.
std::string RegistryValueText(uint32_t type, const std::string& data);

// "HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion", with "Windows NT" on NT.
std::string WindowsVersionKeyFor(bool isNT);

// parts numbers from the text (missing ones 0), each zero-padded to width, joined by
// ".": such texts compare correctly as plain texts. "1,2" (3, 4) gives 001.002.000.000.
std::string NormalizeVersion(const std::string& text, int width, int parts);

// The pumping step of SleepPumping: a step of 0 becomes a tenth of the duration, kept
// within 1 to 25 ms.
int64_t SleepStep(int64_t step, int64_t duration);
