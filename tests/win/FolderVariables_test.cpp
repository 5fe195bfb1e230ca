#include "payload/FolderVariablesWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "util/CommandLineWin.h"
#include "util/ShellDirWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

TEST(FolderVariablesWin, SystemValues)
{
    SetInstallFolders("D:\\Apps\\", "", "");
    struct Row {
        std::string text, expanded;
    };
    for (const Row& r : {
             Row{"<WinDir>", WindowsFolder(false)},
             Row{"<WinSysDir>x.dll", SystemFolder(true) + "x.dll"},
             Row{"<TempDir>", TempFolder(false)},
             Row{"<SrcDir>", ProgramFolder(false)},
             Row{"<OriginDir>", ProgramFolder(false)}, // no /OriginExe: the launcher's own folder
             Row{"<ComputerName>", ComputerName()},
             Row{"<LoggedUserName>", UserName()},
             Row{"<MyDocumentsDir>a", SpecialFolderPath(SpecialFolder::MyDocuments, true) + "a"},
             Row{"<InstallDir>app.exe", "D:\\Apps\\app.exe"},
             Row{"<WinDir>\\system32\\..\\x.ini", WindowsFolder(true) + "x.ini"},
             Row{"|<InstallDir>b\\..\\a.exe|<WinDrive>|",
                 "|D:\\Apps\\a.exe|" + WindowsFolder(false).substr(0, 3) + "|"},
         }) {
        EXPECT_EQ(ExpandVariables(r.text, "\\", true, true), r.expanded) << r.text;
    }
    SetInstallFolders("", "", "");
}

TEST(FolderVariablesWin, DateIsToday)
{
    const DateTime today = LocalNow();
    const std::string expanded = ExpandVariables("<Date=6>", "\\", false, false);
    EXPECT_EQ(expanded,
              IntToZeroPad(today.year, 4) + "-" + IntToZeroPad(today.month, 2) + "-" + IntToZeroPad(today.day, 2));
    // The long form takes the month's name from the user's locale.
    char month[80] = {};
    ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(today.month - 1), month,
                     sizeof month);
    EXPECT_NE(ExpandVariables("<Date=#>", "\\", false, false).find(month), std::string::npos);
}

// Run by win_unit.cmdline with "/OriginExe=Z:\a b\x.exe": the origin is the setup that
// started the launcher, not the launcher's own folder.
TEST(CommandLine, OriginVariablesFollowTheOriginSwitch)
{
    if (SwitchValue("/OriginExe=", "").empty())
        GTEST_SKIP() << "started without /OriginExe=";
    EXPECT_EQ(ExpandVariables("<OriginDir>x.ini", "\\", true, false), "Z:\\a b\\x.ini");
    EXPECT_EQ(ExpandVariables("<OriginDrive>|<OriginDisk>", "\\", true, false), "Z:\\|Z:");
    EXPECT_EQ(ExpandVariables("<SrcDir>", "\\", true, false), ProgramFolder(false));
}

} // namespace
