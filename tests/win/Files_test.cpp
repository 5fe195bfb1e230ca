#include "util/FilesWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "util/Files.h"
#include "util/ProcessStart.h"
#include "util/ScopedWin.h"
#include "util/UtilsWin.h"

namespace {

// A fresh folder under the temporary folder, removed afterwards.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = TempFolder(true) + "kfiles " + std::to_string(::GetCurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(::CreateDirectoryA(dir_.c_str(), nullptr));
    }
    void TearDown() override { DeleteTree(dir_, true); }
    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
    void Make(const std::string& name, const std::string& data = "x")
    {
        ASSERT_TRUE(WriteFileData(Path(name), data, 0, false)) << name;
    }
    static bool Exists(const std::string& p) { return ::GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string dir_;
};

TEST_F(FilesTest, ReadFileRange)
{
    Make("ten", "0123456789");
    struct Row {
        int64_t length, offset;
        std::string data;
    };
    for (Row r : {Row{0, 0, "0123456789"}, Row{4, 2, "2345"}, Row{0, 7, "789"}, Row{100, 8, "89"}, Row{1, 9, "9"},
                  Row{0, 10, ""}, Row{5, 11, ""}, Row{3, -1, ""}, Row{-2, 0, ""}}) {
        EXPECT_EQ(ReadFileRange(Path("ten"), r.length, r.offset), r.data) << r.length << " " << r.offset;
    }
    EXPECT_EQ(ReadFileRange(Path("missing"), 0, 0), "");
    EXPECT_EQ(FindFileSize(Path("ten")), 10);
    EXPECT_EQ(FindFileSize(Path("missing")), 0);
}

TEST_F(FilesTest, SeeksBeyondFourGigabytes)
{
    Make("f", "abc");
    ScopedFile f(::CreateFileA(Path("f").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(f);
    const int64_t beyond = (int64_t(5) << 30) + 7;
    EXPECT_EQ(SeekFile64(f.get(), 0, beyond), beyond);
    EXPECT_EQ(SeekFile64(f.get(), 1, -7), beyond - 7);
    EXPECT_EQ(SeekFile64(f.get(), 2, -1), 2);
    EXPECT_EQ(FileSize64(f.get()), 3);
}

TEST_F(FilesTest, WritesLargeDataAppendsAndSetsDate)
{
    std::string big(3 * 1048576 + 5, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 + i / 1000);
    ASSERT_TRUE(WriteFileData(Path("big"), big, 0, false));
    EXPECT_EQ(ReadFileRange(Path("big"), 0, 0), big);
    ASSERT_TRUE(WriteFileData(Path("big"), "tail", 0, true));
    EXPECT_EQ(FindFileSize(Path("big")), int64_t(big.size()) + 4);
    ASSERT_TRUE(WriteFileData(Path("big"), "new", 0, false));
    EXPECT_EQ(ReadFileRange(Path("big"), 0, 0), "new");

    // 2 January 2020 03:04:06 as a packed DOS date and time.
    const uint32_t date = (uint32_t((2020 - 1980) << 9 | 1 << 5 | 2) << 16) | (3 << 11 | 4 << 5 | 3);
    ASSERT_TRUE(AppendText(Path("log"), "one\r\n", date));
    ASSERT_TRUE(AppendText(Path("log"), "two\r\n", 0));
    EXPECT_EQ(ReadFileRange(Path("log"), 0, 0), "one\r\ntwo\r\n");
    ASSERT_TRUE(WriteFileData(Path("dated"), "d", date, false));
    WIN32_FIND_DATAA fd;
    ScopedFind find(::FindFirstFileA(Path("dated").c_str(), &fd));
    ASSERT_TRUE(find);
    FILETIME local;
    WORD dosDate = 0, dosTime = 0;
    ASSERT_TRUE(::FileTimeToLocalFileTime(&fd.ftLastWriteTime, &local));
    ASSERT_TRUE(::FileTimeToDosDateTime(&local, &dosDate, &dosTime));
    EXPECT_EQ((uint32_t(dosDate) << 16) | dosTime, date);

    // A failure hands back the system's reason for it.
    EXPECT_EQ(WriteFileData(Path("no such folder\\f"), "x", 0, false).error, DWORD(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(AppendText(Path("no such folder\\f"), "x", 0).error, DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, DeleteMatchingIncludesHiddenAndReadOnlyFiles)
{
    Make("a.tmp");
    Make("b.tmp");
    Make("keep.txt");
    ASSERT_TRUE(::CreateDirectoryA(Path("dir.tmp").c_str(), nullptr));
    ::SetFileAttributesA(Path("a.tmp").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ::SetFileAttributesA(Path("b.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteMatching(Path("*.tmp"), true));
    EXPECT_FALSE(Exists(Path("a.tmp")));
    EXPECT_FALSE(Exists(Path("b.tmp")));
    EXPECT_TRUE(Exists(Path("keep.txt")));
    EXPECT_TRUE(Exists(Path("dir.tmp")));
    EXPECT_FALSE(DeleteMatching(Path("*.none"), true));
}

// A file served or installed read-only is copied so that the copy can be replaced and
// deleted later.
TEST_F(FilesTest, CopyFileWritableClearsTheReadOnlyAttribute)
{
    Make("served", "new");
    ASSERT_TRUE(::SetFileAttributesA(Path("served").c_str(), FILE_ATTRIBUTE_READONLY));
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(CopyFileWritable(Path("served"), Path("copy"))) << round;
        EXPECT_FALSE(::GetFileAttributesA(Path("copy").c_str()) & FILE_ATTRIBUTE_READONLY);
    }
    EXPECT_EQ(ReadFileRange(Path("copy"), 0, 0), "new");
    EXPECT_TRUE(::GetFileAttributesA(Path("served").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(::DeleteFileA(Path("copy").c_str()));
    EXPECT_EQ(CopyFileWritable(Path("absent"), Path("copy")).error, DWORD(ERROR_FILE_NOT_FOUND));
    ::SetFileAttributesA(Path("served").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesTest, DeleteTreeWithAFileHeldOpen)
{
    ASSERT_TRUE(::CreateDirectoryA(Path("t").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(Path("t\\sub").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(Path("t\\sub\\deep").c_str(), nullptr));
    Make("t\\top");
    Make("t\\sub\\deep\\leaf");
    Make("t\\sub\\held");
    Make("t\\sub\\ro");
    ::SetFileAttributesA(Path("t\\sub\\ro").c_str(), FILE_ATTRIBUTE_READONLY);
    {
        ScopedFile held(::CreateFileA(Path("t\\sub\\held").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(DeleteTree(Path("t"), true));
        EXPECT_TRUE(Exists(Path("t\\sub\\held")));
        EXPECT_FALSE(Exists(Path("t\\top")));
        EXPECT_FALSE(Exists(Path("t\\sub\\ro")));
        EXPECT_FALSE(Exists(Path("t\\sub\\deep")));
    }
    EXPECT_TRUE(DeleteTree(Path("t") + "\\", true));
    EXPECT_FALSE(Exists(Path("t")));
    EXPECT_FALSE(DeleteTree(Path("t"), true));
    EXPECT_FALSE(DeleteTree("", true));
}

TEST_F(FilesTest, DiskQueries)
{
    EXPECT_GT(FreeBytes(dir_ + "\\x\\y\\z"), 0.0);
    EXPECT_EQ(FreeBytes("Q:\\does\\not\\exist"), 0.0);
    EXPECT_FALSE(EjectCD(dir_));
    EXPECT_FALSE(EjectCD(""));
    EXPECT_FALSE(EjectCD("1:\\"));
}

// The program part of the self-delete test: a copy of this exe runs only this test.
TEST(SelfDelete, Child)
{
    char flag[8];
    if (::GetEnvironmentVariableA("K_SELF_DELETE_CHILD", flag, sizeof flag) == 0)
        GTEST_SKIP();
    EXPECT_TRUE(StartSelfDelete(true));
}

TEST_F(FilesTest, SelfDeleteRemovesTheProgramAfterItEnds)
{
    ASSERT_TRUE(::CreateDirectoryA(Path("app dir").c_str(), nullptr));
    const std::string copy = Path("app dir\\self copy.exe");
    ASSERT_TRUE(::CopyFileA(ProgramPath(false).c_str(), copy.c_str(), FALSE));

    ASSERT_TRUE(::SetEnvironmentVariableA("K_SELF_DELETE_CHILD", "1"));
    std::string command = "\"" + copy + "\" --gtest_filter=SelfDelete.Child";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    BOOL started = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir_.c_str(), &si, &pi);
    ::SetEnvironmentVariableA("K_SELF_DELETE_CHILD", nullptr);
    ASSERT_TRUE(started);
    ScopedHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);

    for (int i = 0; i < 200 && Exists(Path("app dir")); ++i)
        ::Sleep(100);
    EXPECT_FALSE(Exists(copy));
    EXPECT_FALSE(Exists(Path("app dir")));
    // The batch, whatever its name, removes itself.
    const std::string batches = TempFolder(true) + "_DEL_ME_*.BAT";
    const auto anyBatch = [&batches] {
        WIN32_FIND_DATAA found;
        return static_cast<bool>(ScopedFind(::FindFirstFileA(batches.c_str(), &found)));
    };
    for (int i = 0; i < 50 && anyBatch(); ++i)
        ::Sleep(100);
    EXPECT_FALSE(anyBatch());
}

TEST_F(FilesTest, SelfDeleteBatchGivesUpOnAProgramThatStaysHeld)
{
    Make("held.exe");
    // Held without delete sharing, as a program that does not end holds its file.
    ScopedFile held(::CreateFileA(Path("held.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const std::string batch = Path("give up 100%.bat");
    ASSERT_TRUE(WriteFileData(
        batch, SelfDeleteBatchText({Path("held.exe"), dir_, batch, SystemFolder(true) + "PING.EXE", true, 3}), 0,
        false));
    const DWORD started = ::GetTickCount();
    const StartedProcess cmd = StartProcess({SystemFolder(true) + "cmd.exe", "/c \"" + batch + "\"", SW_HIDE});
    ASSERT_TRUE(cmd);
    ASSERT_EQ(::WaitForSingleObject(cmd.process.get(), 60000), WAIT_OBJECT_0) << "the batch does not give up";
    // Three tries, a pause of a second between them: not at full speed.
    EXPECT_GE(::GetTickCount() - started, 1500u);
    EXPECT_TRUE(Exists(Path("held.exe")));
    EXPECT_TRUE(Exists(dir_)); // its folder is not empty
    EXPECT_FALSE(Exists(batch));
}

} // namespace
