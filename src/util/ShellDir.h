// The user's and all users' special folders: which shell folder answers each one and the
// classic locations tried when it does not, from systems without per-user profiles to
// current ones. The rules are portable; util/ShellDirWin.h asks the real shell.
#pragma once

#include <functional>
#include <string>

enum class SpecialFolder {
    User,
    UserAppData,
    UserLocalAppData,
    MyDocuments,
    UserStartMenu,
    UserStartProgramMenu,
    UserDesktop,
    DocumentsAndSettings,
    AllUsers,
    AllUsersAppData,
    AllUsersDocuments,
    AllUsersStartMenu,
    AllUsersStartProgramMenu,
    AllUsersDesktop,
};

// What the rules ask of the system. The two queries take a shell folder id and give ""
// when they fail or are missing.
struct ShellFolderSource {
    std::function<std::string(int id)> folderPath;        // SHGetFolderPathA
    std::function<std::string(int id)> specialFolderPath; // SHGetSpecialFolderPathA
    std::function<bool(const std::string& path)> folderExists;
    std::function<std::string()> windowsFolder; // without a trailing separator
    std::function<std::string()> registeredOwner;
};

// The folder, with one trailing "\" when trailingSeparator is set (never for an empty
// result). Nothing fails: the last fallback is returned even when it does not exist.
std::string SpecialFolderPath(SpecialFolder which, bool trailingSeparator, const ShellFolderSource& source);

// The folder that holds path: "C:\Users\Ann" for "C:\Users\Ann\Documents", "C:\" for
// "C:\ProgramData"; "" when path names no folder inside another.
std::string ParentFolder(const std::string& path);
