#include "payload/WorkFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "util/FilesWin.h"
#include "util/UtilsWin.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The time-of-day half of this program's modification stamp, as the work folder uses it.
std::string ExpectedWorkFolder()
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    WORD date = 0, time = 0;
    GetFileAttributesExA(ProgramPath(false).c_str(), GetFileExInfoStandard, &data);
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &date, &time);
    return TempFolder(true) + "SETUP_" + std::to_string(time);
}

} // namespace

TEST(WorkFolder, EmptiedOnFirstUseThenKept)
{
    const std::string expected = ExpectedWorkFolder();
    // A folder left by an earlier run with the same file time is replaced.
    ASSERT_TRUE(CreateFolderPath(expected + "\\old\\deeper"));
    std::ofstream(expected + "\\old\\stale.txt") << "x";

    const std::string folder = WorkFolder();
    EXPECT_EQ(folder, expected);
    EXPECT_TRUE(Exists(folder));
    EXPECT_FALSE(Exists(folder + "\\old"));

    std::ofstream(folder + "\\mine.txt") << "y";
    EXPECT_EQ(WorkFolder(), folder);
    EXPECT_TRUE(Exists(folder + "\\mine.txt")); // later calls do not touch the disk
    EXPECT_TRUE(DeleteTree(folder, true));
}

// The agent runs a second update in the same process after the first removed its folder.
TEST(WorkFolder, MadeAfreshAfterItsRemoval)
{
    const std::string folder = WorkFolder();
    RemoveWorkFolder();
    ASSERT_FALSE(Exists(folder));
    EXPECT_EQ(WorkFolder(), folder);
    EXPECT_TRUE(Exists(folder));
    RemoveWorkFolder();
}

TEST(WorkFolder, AlternativeOnlyWithARoomierDrive)
{
    const bool hadTemp = Exists("C:\\TEMP");
    const bool found = FindRoomierTempDrive();
    // The probes leave nothing behind.
    EXPECT_EQ(Exists("C:\\TEMP"), hadTemp);
    const std::string alternative = AlternativeWorkFolder();
    EXPECT_EQ(alternative.empty(), !found);
    if (found) {
        EXPECT_TRUE(Exists(alternative));
        EXPECT_NE(alternative.find(":\\TEMP"), std::string::npos);
    }
    RemoveAlternativeWorkFolder();
    if (found) {
        EXPECT_FALSE(Exists(alternative));
    }
}

TEST(WorkFolder, CreateFolderPathMakesParents)
{
    const std::string base = TempFolder(true) + "wf_parents";
    // A failure carries the system's reason, taken before anything could overwrite it.
    struct Case {
        std::string path;
        DWORD error;
    };
    const Case cases[] = {{base + "\\a\\b\\c", 0},
                          {base + "\\a\\b\\c\\", 0},
                          {"", ERROR_INVALID_NAME},
                          {"Q:\\nodrive\\x", ERROR_PATH_NOT_FOUND}};
    for (const Case& c : cases) {
        const SysResult created = CreateFolderPath(c.path);
        EXPECT_EQ(created.error, c.error) << c.path;
        if (created) {
            EXPECT_TRUE(Exists(c.path));
        }
    }
    DeleteTree(base, true);
}
