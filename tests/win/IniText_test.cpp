#include "util/IniText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "util/FilesWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// The reader over bytes gives what the system's profile functions give for the same
// bytes in a file: a release is checked and read in memory, and its engine reads the
// file.
TEST(IniText, ReadsWhatTheSystemReads)
{
    const std::string texts[] = {
        "top=1\r\n[NewSetup]\r\n  Version New = 12 \r\nQuoted=\"  two  \"\r\nSingle='x'\r\nLone=\"\r\n"
        "Inner=a \"b\" c\r\nEmpty=\r\nNoEquals\r\nTwice=first\r\ntwice=second\r\nEq=a=b\r\n"
        "[newsetup]\r\nLater=2\r\n[ Spaced ]\r\nk=v\r\n[Broken\r\nb=1\r\n",
        "[A]\nk=lf only\n[B]\r\nk=crlf\r\n",
        "[S]\r\nlong=" + std::string(IniText::kLongestValue + 5, 'v') + "\r\nq=\"" +
            std::string(IniText::kLongestValue, 'q') + "\"\r\nfits=\"" + std::string(100, 'f') + "\"\r\n",
    };
    const std::pair<const char*, const char*> lookups[] = {
        {"NewSetup", "Version New"},
        {"NEWSETUP", "version new"},
        {"NewSetup", "Quoted"},
        {"NewSetup", "Single"},
        {"NewSetup", "Lone"},
        {"NewSetup", "Inner"},
        {"NewSetup", "Empty"},
        {"NewSetup", "NoEquals"},
        {"NewSetup", "Twice"},
        {"NewSetup", "Eq"},
        {"NewSetup", "Later"},
        {"NewSetup", "top"},
        {"Spaced", "k"},
        {" Spaced ", "k"},
        {"Spaced", "b"},
        {"Missing", "k"},
        {"A", "k"},
        {"B", "k"},
        {"S", "long"},
        {"S", "q"},
        {"S", "fits"},
    };
    int n = 0;
    for (const std::string& text : texts) {
        // A file of its own for each text: the system may keep a file it read in memory.
        const std::string path = TempFolder(true) + "kinitext_" + std::to_string(::GetCurrentProcessId()) + "_" +
                                 std::to_string(++n) + ".ini";
        ASSERT_TRUE(WriteFileData(path, text, 0, false));
        const IniText ini(text);
        for (const auto& [section, key] : lookups)
            EXPECT_EQ(ini.Text(section, key, "def"), ReadIniString(path, section, key, "def"))
                << section << "/" << key << " in " << text.substr(0, 40);
        ::DeleteFileA(path.c_str());
    }
}

} // namespace
