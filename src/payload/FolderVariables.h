// Folder variables: names in angle brackets such as "<InstallDir>" or "<Date=6>" in texts
// written by a suite's author (the path of the program the update agent must stop), and
// their expansion into user and machine identity, dates, the product's install folders
// and the system's folders. The rules are portable; payload/FolderVariablesWin.h
// supplies the running system's values.
#pragma once

#include <functional>
#include <string>

#include "util/ShellDir.h"
#include "util/Utils.h"

// The product's application, common and auxiliary folders, used exactly as given; empty
// until set. The update agent hands in its installed-version file's folders.
void SetInstallFolders(const std::string& application, const std::string& common, const std::string& auxiliary);

// The system's values an expansion may need.
enum class SystemValue {
    LoggedUserName,
    UserName, // the registered owner
    CompanyName,
    ComputerName,
    CurrentDomainName,
    WindowsFolder,
    SystemFolder,
    System16Folder,
    LauncherFolder,
    OriginFolder,
    TempFolder,
    StartMenuFolder,
    ProgramFilesFolder,       // as this program sees it: a 32-bit program on 64-bit Windows
    CommonFilesFolder,        // gets the folders of 32-bit programs
    NativeProgramFilesFolder, // the system's own, where its native (64-bit) programs go
    NativeCommonFilesFolder,
    FontFolder,
};

// Where the values come from. Each is asked for only when its name occurs in the text.
struct VariableSource {
    std::function<std::string(SystemValue)> value;
    std::function<std::string(SpecialFolder)> specialFolder;
    std::function<DateTime()> now;
    std::function<std::string(int month)> longMonthName; // month 1 to 12
    std::function<std::string()> dateSeparator;
    // The full, normalised form of a path; "" when the system cannot give one.
    std::function<std::string(const std::string& path)> fullPath;
};

// Replaces every known variable of text (names ignoring case). Folder values get
// folderSuffix unless their name ends the text, is followed by a blank or is a field of
// a list string. Without pathVariables only dates and identity are expanded; with
// resolveRelative, paths holding "..\" or "\.." (or such items of a "," or "|" list)
// become full paths.
std::string ExpandVariables(const std::string& text, const std::string& folderSuffix, bool pathVariables,
                            bool resolveRelative, const VariableSource& source);
