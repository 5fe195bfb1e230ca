#include "ui/LangRes0.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "util/FilesWin.h"
#include "util/UtilsWin.h"

namespace {

TEST(LangRes0, LanguageFileBesideTheProgram)
{
    const std::string path = LanguageFilePath();
    ASSERT_EQ(path, ProgramFolder(true) + "HELP\\English\\Kalvex.language.ini");
    ASSERT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(LanguageFileText(kRunTimeDirNotFoundKey, kRunTimeDirNotFoundText, "X"),
              "RunTimeDir (X)<P><P>Not Found!");

    ::CreateDirectoryA((ProgramFolder(true) + "HELP").c_str(), nullptr);
    ::CreateDirectoryA((ProgramFolder(true) + "HELP\\English").c_str(), nullptr);
    ASSERT_TRUE(WriteFileData(path,
                              "[STRINGS]\r\nPadded=|  Hello|\r\nBar=|\r\nEmpty=\r\n"
                              "RunTimeDir_01=Folder <?> is missing (<?>)\r\n[OTHER]\r\nk=v\r\n",
                              0, false));
    struct Row { std::string key, result; };
    for (const Row& r : {Row{"Padded", "  Hello"}, Row{"Bar", "def"}, Row{"Empty", "def"}, Row{"Missing", "def"},
                         Row{"k", "def"}}) {
        EXPECT_EQ(LanguageFileString(r.key, "def"), r.result) << r.key;
    }
    EXPECT_EQ(LanguageFileValue("OTHER", "k", "def"), "v");
    EXPECT_EQ(LanguageFileText(kRunTimeDirNotFoundKey, kRunTimeDirNotFoundText, "X"), "Folder X is missing (X)");

    ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA((ProgramFolder(true) + "HELP\\English").c_str());
    ::RemoveDirectoryA((ProgramFolder(true) + "HELP").c_str());
}

}  // namespace
