#include "util/ShellDir.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

namespace {

using F = SpecialFolder;

// A made-up system: what each query answers, which folders exist, and which ids were asked.
struct FakeShell {
    std::map<int, std::string> folderPaths;  // SHGetFolderPathA by id (create flag included)
    std::map<int, std::string> specialPaths; // SHGetSpecialFolderPathA by id
    std::set<std::string> folders;
    std::string windows = "C:\\WINDOWS";
    std::string owner = "Ann";
    std::vector<int> asked;

    ShellFolderSource Source()
    {
        ShellFolderSource s;
        s.folderPath = [this](int id) {
            asked.push_back(id);
            auto it = folderPaths.find(id);
            return it == folderPaths.end() ? std::string() : it->second;
        };
        s.specialFolderPath = [this](int id) {
            asked.push_back(id);
            auto it = specialPaths.find(id);
            return it == specialPaths.end() ? std::string() : it->second;
        };
        s.folderExists = [this](const std::string& p) { return folders.count(p) > 0; };
        s.windowsFolder = [this] { return windows; };
        s.registeredOwner = [this] { return owner; };
        return s;
    }
    std::string Path(F which, bool separator = false) { return SpecialFolderPath(which, separator, Source()); }
};

constexpr int kCreate = 0x8000;

TEST(ShellDir, CurrentSystemAnswersFromTheShellQueries)
{
    FakeShell shell;
    shell.folderPaths = {{5 | kCreate, "C:\\Users\\Ann\\Documents"}, {35 | kCreate, "C:\\ProgramData"}};
    shell.specialPaths = {{11, "C:\\Users\\Ann\\Start Menu"}};
    shell.folders = {"C:\\Users\\Ann\\Documents", "C:\\Users\\Ann", "C:\\Users",
                     "C:\\ProgramData",           "C:\\",           "C:\\Users\\Ann\\Start Menu"};
    EXPECT_EQ(shell.Path(F::MyDocuments), "C:\\Users\\Ann\\Documents");
    EXPECT_EQ(shell.Path(F::MyDocuments, true), "C:\\Users\\Ann\\Documents\\");
    EXPECT_EQ(shell.Path(F::User), "C:\\Users\\Ann");
    EXPECT_EQ(shell.Path(F::DocumentsAndSettings), "C:\\Users");
    EXPECT_EQ(shell.Path(F::AllUsersAppData), "C:\\ProgramData");
    // A root loses its separator like any other value, and gets it back on request.
    EXPECT_EQ(shell.Path(F::AllUsers), "C:");
    EXPECT_EQ(shell.Path(F::AllUsers, true), "C:\\");
    EXPECT_EQ(shell.Path(F::UserStartMenu), "C:\\Users\\Ann\\Start Menu");
}

TEST(ShellDir, QueriesAskWithTheCreateFlagOnlyWhereTheTableSaysSo)
{
    FakeShell shell;
    shell.Path(F::UserAppData);
    shell.Path(F::AllUsersDocuments);
    shell.Path(F::AllUsersDesktop);
    ASSERT_GE(shell.asked.size(), 3u);
    EXPECT_EQ(shell.asked[0], 26 | kCreate);
    EXPECT_EQ(shell.asked[1], 46 | kCreate);
    EXPECT_EQ(shell.asked[2], 25);
}

TEST(ShellDir, WithoutTheShellQueriesTheProfileFolderStandsIn)
{
    FakeShell shell; // no library answers
    shell.folders = {"C:\\WINDOWS", "C:\\WINDOWS\\Profiles\\Ann"};
    EXPECT_EQ(shell.Path(F::MyDocuments), "C:\\WINDOWS\\Profiles\\Ann\\My Documents");
    EXPECT_EQ(shell.Path(F::UserAppData), "C:\\WINDOWS\\Profiles\\Ann\\Application Data");
    EXPECT_EQ(shell.Path(F::UserLocalAppData), "C:\\WINDOWS\\Profiles\\Ann\\Application Data");
    EXPECT_EQ(shell.Path(F::User), "C:\\WINDOWS\\Profiles\\Ann");
    EXPECT_EQ(shell.Path(F::DocumentsAndSettings), "C:\\WINDOWS\\Profiles\\Ann");
    EXPECT_EQ(shell.Path(F::AllUsers), "C:\\WINDOWS");
    EXPECT_EQ(shell.Path(F::AllUsersAppData), "C:\\WINDOWS\\Application Data");
    EXPECT_EQ(shell.Path(F::AllUsersDocuments), "C:\\WINDOWS\\Documents");

    // Without a profile folder the Windows folder is the profile.
    shell.folders = {"C:\\WINDOWS"};
    EXPECT_EQ(shell.Path(F::MyDocuments), "C:\\WINDOWS\\My Documents");
}

TEST(ShellDir, StartMenuAndDesktopFallBackFromUserToAllUsers)
{
    FakeShell shell;
    shell.folders = {"C:\\WINDOWS", "C:\\WINDOWS\\Profiles\\Ann", "C:\\WINDOWS\\Profiles\\Ann\\Desktop"};
    EXPECT_EQ(shell.Path(F::UserDesktop), "C:\\WINDOWS\\Profiles\\Ann\\Desktop");
    // No user start menu: the all-users one is the last candidate, kept though it is missing.
    EXPECT_EQ(shell.Path(F::UserStartMenu), "C:\\WINDOWS\\Start Menu");
    EXPECT_EQ(shell.Path(F::UserStartProgramMenu), "C:\\WINDOWS\\Start Menu\\Programs");
    EXPECT_EQ(shell.Path(F::AllUsersStartProgramMenu), "C:\\WINDOWS\\Start Menu\\Programs");
}

TEST(ShellDir, AnAnswerNamingNoFolderIsNotAccepted)
{
    FakeShell shell;
    shell.folderPaths = {{5 | kCreate, "D:\\gone\\Documents"}};
    shell.specialPaths = {{16, "D:\\gone\\Desktop"}};
    shell.folders = {"C:\\WINDOWS"};
    EXPECT_EQ(shell.Path(F::MyDocuments), "C:\\WINDOWS\\My Documents");
    EXPECT_EQ(shell.Path(F::User), "C:\\WINDOWS");
    EXPECT_EQ(shell.Path(F::UserDesktop), "C:\\WINDOWS\\Desktop");

    // The parent of an accepted folder must be a folder too before it is taken.
    shell.folders = {"C:\\WINDOWS", "D:\\gone\\Documents", "D:\\gone", "D:\\"};
    EXPECT_EQ(shell.Path(F::User), "D:\\gone");
    EXPECT_EQ(shell.Path(F::DocumentsAndSettings), "D:");
}

TEST(ShellDir, NothingKnownGivesNoSeparatorOnItsOwn)
{
    FakeShell shell;
    shell.windows.clear();
    EXPECT_EQ(shell.Path(F::AllUsers, true), "");
}

TEST(ShellDir, ParentFolder)
{
    struct Row {
        std::string path, parent;
    };
    for (const Row& r : {Row{"C:\\Users\\Ann\\Documents", "C:\\Users\\Ann"}, Row{"C:\\Users\\Ann\\", "C:\\Users"},
                         Row{"C:\\ProgramData", "C:\\"}, Row{"C:\\", ""}, Row{"C:", ""}, Row{"name", ""},
                         Row{"\\\\server\\share\\x", "\\\\server\\share"}, Row{"\\\\server", ""}, Row{"", ""}}) {
        EXPECT_EQ(ParentFolder(r.path), r.parent) << r.path;
    }
}

} // namespace
