#include "payload/WorkFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "util/FilesWin.h"
#include "util/UtilsWin.h"

namespace {

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

TEST(WorkFolder, NewOnEveryRunUnpredictableAndHeld)
{
    const std::string folder = WorkFolder();
    ASSERT_FALSE(folder.empty());
    const std::string name = folder.substr(folder.find_last_of('\\') + 1);
    EXPECT_EQ(folder, TempFolder(true) + name);
    EXPECT_EQ(name.size(), 6u + 16u) << name;
    EXPECT_EQ(name.rfind("SETUP_", 0), 0u) << name;
    EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF", 6), std::string::npos) << name;

    std::ofstream(folder + "\\mine.txt") << "y";
    EXPECT_EQ(WorkFolder(), folder);
    EXPECT_TRUE(Exists(folder + "\\mine.txt")); // later calls do not touch the disk
    // Held: nobody can move it away (and put something else in its place) or remove it.
    EXPECT_FALSE(MoveFileA(folder.c_str(), (folder + "_moved").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(RemoveDirectoryA(folder.c_str()));

    RemoveWorkFolder();
    EXPECT_FALSE(Exists(folder));
    RemoveWorkFolder(); // nothing left to remove, nothing else is touched
    const std::string next = WorkFolder();
    EXPECT_FALSE(next.empty());
    EXPECT_NE(next, folder);
    RemoveWorkFolder();
    EXPECT_FALSE(Exists(next));
}

// The agent runs a second update in the same process after the first removed its folder:
// that update gets a folder of its own, made new, never the removed one's path.
TEST(WorkFolder, MadeAfreshAfterItsRemoval)
{
    const std::string folder = WorkFolder();
    RemoveWorkFolder();
    ASSERT_FALSE(Exists(folder));
    const std::string next = WorkFolder();
    EXPECT_NE(next, folder);
    EXPECT_TRUE(Exists(next));
    EXPECT_FALSE(Exists(folder));
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
