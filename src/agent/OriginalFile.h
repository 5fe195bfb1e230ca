// The update agent's two description files: ".original" (the installed product, read
// and written by the agent) and ".info" (the newest release, read only). This file holds
// the rules that need no file: flag texts, override bytes and their list, and the
// seconds stamps with their readable copies. The accessors are in StubAUInfoFiles.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "util/Utils.h"

// The eight ".info" flags that the running agent can override, in list order.
enum class Override : int {
    AskBeforeCheck = 0,
    ConfirmDownload,
    ConfirmInstall,
    BackgroundUpdate,
    InformFinish,
    RestartProcess,
    ConfirmDownloadForce,
    ConfirmInstallForce,
};
constexpr int kOverrideCount = 8;
// 255: not overridden (read the key); 1: true; anything else: false.
constexpr std::uint8_t kNotOverridden = 255;

using OverrideBytes = std::array<std::uint8_t, kOverrideCount>;
OverrideBytes FreshOverrides();

// "|b0|b1|...|b7|", every byte in decimal.
std::string OverrideList(const OverrideBytes& bytes);
// Sets each byte from its field; a field that is not a number leaves its byte alone.
void ParseOverrideList(const std::string& list, OverrideBytes& bytes);

// The agent's flags are true for exactly the text "1".
bool FlagText(const std::string& stored);

// Seconds since 30 December 1899, local time, rounded to the nearest second.
std::int64_t SecondsFromDateTime(const DateTime& when);
// The readable copy written beside a "...Last" value: "08-DEC-2026 14:05:09".
std::string ReadableSeconds(std::int64_t seconds);

// One key of a description file, with its default as stored text.
enum class InfoFile { Original, Info };
struct InfoKey {
    InfoFile file;
    const char* section;
    const char* key;
    const char* def;
};

// Every key the agent reads or writes.
namespace Keys {
// ".original": the installed product
constexpr InfoKey ProbeSecondsInterval{InfoFile::Original, "OriginalSetup", "ProbeSecondsInterval", "0"};
constexpr InfoKey ProbeSecondsLast{InfoFile::Original, "OriginalSetup", "ProbeSecondsLast", "0"};
constexpr InfoKey ReAskSecondsInterval{InfoFile::Original, "OriginalSetup", "ReAskSecondsInterval", "0"};
constexpr InfoKey ReAskSecondsLast{InfoFile::Original, "OriginalSetup", "ReAskSecondsLast", "0"};
constexpr InfoKey VersionOriginal{InfoFile::Original, "OriginalSetup", "VersionOriginal", "0"};
constexpr InfoKey OriginalStamp{InfoFile::Original, "OriginalSetup", "Stamp", "0"};
constexpr InfoKey OriginalProgramName{InfoFile::Original, "OriginalSetup", "ProgramName", ""};
constexpr InfoKey TargetDir{InfoFile::Original, "Directories", "TargetDir", ""};
constexpr InfoKey SharedDir{InfoFile::Original, "Directories", "SharedDir", ""};
constexpr InfoKey AuxiliaryDir{InfoFile::Original, "Directories", "AuxiliaryDir", ""};
constexpr InfoKey StartUpLink{InfoFile::Original, "UnInstall", "StartUpLink", ""};
constexpr InfoKey CheckforNewUpdateLink{InfoFile::Original, "UnInstall", "CheckforNewUpdateLink", ""};
constexpr InfoKey BtnText{InfoFile::Original, "MsgBox", "BtnText", "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"};
constexpr InfoKey ErrorTitle{InfoFile::Original, "MsgBox", "Error", "Error"};
constexpr InfoKey ConfirmTitle{InfoFile::Original, "MsgBox", "Confirm", "Confirm"};
constexpr InfoKey AttentionTitle{InfoFile::Original, "MsgBox", "Attention", "Attention"};
constexpr InfoKey CharSet{InfoFile::Original, "MsgBox", "CharSet", "0"};
constexpr InfoKey FontName{InfoFile::Original, "MsgBox", "FontName", "Tahoma"};
constexpr InfoKey FontSize{InfoFile::Original, "MsgBox", "FontSize", "8"};
// ".info": the newest release
constexpr InfoKey DownloadURL_UPDATE{InfoFile::Info, "NewSetup", "DownloadURL_UPDATE", ""};
constexpr InfoKey NameOfUpdateFile{InfoFile::Info, "NewSetup", "NameOfUpdateFile", ""};
constexpr InfoKey SizeOfUpdateFile{InfoFile::Info, "NewSetup", "SizeOfUpdateFile", "0"};
constexpr InfoKey RequestConfirmationBeforeDownload{InfoFile::Info, "NewSetup", "RequestConfirmationBeforeDownload", "0"};
constexpr InfoKey RequestConfirmationBeforeDownloadForce{InfoFile::Info, "NewSetup", "RequestConfirmationBeforeDownloadForce", "0"};
constexpr InfoKey RequestConfirmationBeforeInstall{InfoFile::Info, "NewSetup", "RequestConfirmationBeforeInstall", "0"};
constexpr InfoKey RequestConfirmationBeforeInstallForce{InfoFile::Info, "NewSetup", "RequestConfirmationBeforeInstallForce", "0"};
constexpr InfoKey BackgroundUpdate{InfoFile::Info, "NewSetup", "BackgroundUpdate", "0"};
constexpr InfoKey ShutDownMethod{InfoFile::Info, "NewSetup", "ShutDownMethod", ""};
constexpr InfoKey RestartProcess{InfoFile::Info, "NewSetup", "RestartProcess", "0"};
constexpr InfoKey InformFinish{InfoFile::Info, "NewSetup", "InformFinish", "0"};
constexpr InfoKey RunningProcess{InfoFile::Info, "NewSetup", "RunningProcess", ""};
constexpr InfoKey InfoProgramName{InfoFile::Info, "NewSetup", "ProgramName", ""};
constexpr InfoKey VersionNew{InfoFile::Info, "NewSetup", "VersionNew", "0"};
constexpr InfoKey InfoStamp{InfoFile::Info, "NewSetup", "Stamp", "0"};
constexpr InfoKey ValidVersions{InfoFile::Info, "NewSetup", "ValidVersions", ""};
constexpr InfoKey RemoveStartUpShortcut{InfoFile::Info, "NewSetup", "RemoveStartUpShortcut", "0"};
constexpr InfoKey RemoveCheckForNewUpdateShortcut{InfoFile::Info, "NewSetup", "RemoveCheckForNewUpdateShortcut", "0"};
constexpr InfoKey AutoInform{InfoFile::Info, "General", "AutoInform", "0"};
constexpr InfoKey DownloadURL_INFORM{InfoFile::Info, "AutoInform", "DownloadURL_INFORM", ""};
constexpr InfoKey NameOfInformFile{InfoFile::Info, "AutoInform", "NameOfInformFile", ""};
constexpr InfoKey SizeOfInformFile{InfoFile::Info, "AutoInform", "SizeOfInformFile", "0"};
constexpr InfoKey AutoInformW{InfoFile::Info, "AutoInform", "AutoInformW", "360"};
constexpr InfoKey AutoInformH{InfoFile::Info, "AutoInform", "AutoInformH", "360"};
} // namespace Keys

// The override that stands in for a ".info" flag, or -1 when the flag has none.
int OverrideIndexOf(const InfoKey& key);
