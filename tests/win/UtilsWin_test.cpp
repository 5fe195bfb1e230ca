#include "util/UtilsWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "util/Utils.h"

namespace {

bool IsFolder(const std::string& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWithBackslash(const std::string& s) { return !s.empty() && s.back() == '\\'; }

TEST(UtilsWin, ProgramPathAndFolder)
{
    const std::string path = ProgramPath(false);
    ASSERT_TRUE(EndsWith("\\win_tests.exe", path, true)) << path;
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(SameTextTrimmed(ProgramPath(true), "win_tests"));

    const std::string folder = ProgramFolder(true);
    EXPECT_TRUE(EndsWithBackslash(folder)) << folder;
    EXPECT_TRUE(SameTextTrimmed(folder + "win_tests.exe", path));
    EXPECT_EQ(ProgramFolder(false) + "\\", folder);
    EXPECT_TRUE(IsFolder(folder));
}

// Kannada letters: no ANSI code page has them, so the folder is spelt by its short form;
// a file name that can be spelt stays long (the agent knows itself by it).
TEST(UtilsWin, AnsiPathOfAFolderOutsideTheCodePage)
{
    wchar_t temp[MAX_PATH + 1];
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"kansi \x0C85\x0C86 " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    struct Row {
        std::wstring name;
        const char* ending; // of the ANSI path; "" where only the short form spells it
    };
    for (const Row& r : {Row{L"sample-agent.exe", "\\sample-agent.exe"}, Row{L"\x0C87 agent.exe", ""}}) {
        const std::wstring file = folder + L"\\" + r.name;
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
        const std::string ansi = AnsiPath(file.c_str(), file.size());
        EXPECT_TRUE(EndsWith(r.ending, ansi, false)) << ansi;
        EXPECT_EQ(ansi.find('?'), std::string::npos) << ansi;
        EXPECT_NE(GetFileAttributesA(ansi.c_str()), INVALID_FILE_ATTRIBUTES) << ansi;
        DeleteFileW(file.c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

TEST(UtilsWin, SystemFolders)
{
    struct Case {
        const char* name;
        std::string (*get)(bool);
    } cases[] = {{"Windows", WindowsFolder}, {"System", SystemFolder}, {"Temp", TempFolder}};
    for (const auto& c : cases) {
        const std::string with = c.get(true), without = c.get(false);
        ASSERT_FALSE(without.empty()) << c.name;
        EXPECT_TRUE(EndsWithBackslash(with)) << c.name << ": " << with;
        EXPECT_FALSE(EndsWithBackslash(without)) << c.name << ": " << without;
        EXPECT_EQ(without + "\\", with) << c.name;
        EXPECT_TRUE(IsFolder(with)) << c.name << ": " << with;
    }
    EXPECT_TRUE(StartsWith(WindowsFolder(true), SystemFolder(true), true));
}

TEST(UtilsWin, UserSeparatorsAndClock)
{
    EXPECT_FALSE(UserDateSeparator().empty());
    EXPECT_FALSE(UserTimeSeparator().empty());

    const std::time_t before = std::time(nullptr);
    const DateTime now = LocalNow();
    const std::time_t after = std::time(nullptr);
    std::tm lo = *std::localtime(&before);
    std::tm hi = *std::localtime(&after);
    const double seen = DaysFromDateTime(now);
    DateTime a{lo.tm_year + 1900, lo.tm_mon + 1, lo.tm_mday, lo.tm_hour, lo.tm_min, lo.tm_sec};
    DateTime b{hi.tm_year + 1900, hi.tm_mon + 1, hi.tm_mday, hi.tm_hour, hi.tm_min, hi.tm_sec};
    // Whole seconds on both sides: allow one second of slack.
    EXPECT_GE(seen, DaysFromDateTime(a) - 1.0 / 86400);
    EXPECT_LE(seen, DaysFromDateTime(b) + 1.0 / 86400);
}

} // namespace

// The code page decides what a backslash byte is and how letters are upper-cased. The
// double-byte case runs in its own CTest entry with a Japanese locale (code page 932).
TEST(CodePage, TrailByteBackslashOfADoubleByteCharacterIsNoSeparator)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932, has " << GetACP();
    const std::string so = "\x83\x5C"; // a katakana letter whose second byte is "\"
    EXPECT_EQ(WithBackslash("C:\\" + so, true), "C:\\" + so + "\\");
    EXPECT_EQ(WithBackslash("C:\\" + so + "\\", false), "C:\\" + so);
    EXPECT_EQ(WithoutBackslash("C:\\" + so), "C:\\" + so);
    EXPECT_EQ(CollapseBackslashes("C:\\" + so + "\\x", false), "C:\\" + so + "\\x");
    EXPECT_EQ(CollapseBackslashes("C:\\a\\\\b", false), "C:\\a\\b");
}

TEST(CodePage, UpperTextFollowsTheSystemCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "needs code page 1252, has " << GetACP();
    EXPECT_EQ(UpperText("caf\xE9 abc"), "CAF\xC9 ABC");
    EXPECT_TRUE(SameTextTrimmed(" Caf\xE9 ", "CAF\xC9"));
}
