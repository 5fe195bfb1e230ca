// The installed product's description, the ".original" file beside the agent: its
// keys with their defaults, and the seconds stamps the agent writes with a readable copy.
// The file is read and written through agent/OriginalFileWin.h; another process (the
// product's installer, a tool that sets the schedule) may change it at any time, so it
// is read anew at every access. The release's ".info" is agent/Release.h.
#pragma once

#include <cstdint>
#include <string>

#include "util/Utils.h"

// Seconds since 30 December 1899, local time, rounded to the nearest second.
std::int64_t SecondsFromDateTime(const DateTime& when);
// The readable copy written beside a "...Last" value: "08-DEC-2026 14:05:09".
std::string ReadableSeconds(std::int64_t seconds);

// One key of the ".original" file, with its default as stored text.
struct OriginalKey {
    const char* section;
    const char* key;
    const char* def;
};

namespace OriginalKeys {
constexpr OriginalKey ProbeSecondsInterval{"OriginalSetup", "ProbeSecondsInterval", "0"};
constexpr OriginalKey ProbeSecondsLast{"OriginalSetup", "ProbeSecondsLast", "0"};
constexpr OriginalKey ReAskSecondsInterval{"OriginalSetup", "ReAskSecondsInterval", "0"};
constexpr OriginalKey ReAskSecondsLast{"OriginalSetup", "ReAskSecondsLast", "0"};
constexpr OriginalKey VersionOriginal{"OriginalSetup", "VersionOriginal", "0"};
constexpr OriginalKey Stamp{"OriginalSetup", "Stamp", "0"};
constexpr OriginalKey ProgramName{"OriginalSetup", "ProgramName", ""};
constexpr OriginalKey TargetDir{"Directories", "TargetDir", ""};
constexpr OriginalKey SharedDir{"Directories", "SharedDir", ""};
constexpr OriginalKey AuxiliaryDir{"Directories", "AuxiliaryDir", ""};
constexpr OriginalKey StartUpLink{"UnInstall", "StartUpLink", ""};
constexpr OriginalKey CheckforNewUpdateLink{"UnInstall", "CheckforNewUpdateLink", ""};
constexpr OriginalKey BtnText{"MsgBox", "BtnText", "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"};
constexpr OriginalKey ErrorTitle{"MsgBox", "Error", "Error"};
constexpr OriginalKey ConfirmTitle{"MsgBox", "Confirm", "Confirm"};
constexpr OriginalKey AttentionTitle{"MsgBox", "Attention", "Attention"};
constexpr OriginalKey CharSet{"MsgBox", "CharSet", "0"};
constexpr OriginalKey FontName{"MsgBox", "FontName", "Tahoma"};
constexpr OriginalKey FontSize{"MsgBox", "FontSize", "8"};
} // namespace OriginalKeys
