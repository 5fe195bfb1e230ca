#include "util/ProcessStart.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "util/FilesWin.h"
#include "util/UtilsWin.h"

TEST(ProcessStart, CommandLineQuotesThePathUnlessTheProgramReadsItAsItIs)
{
    EXPECT_EQ(ProcessCommandLine({"C:\\Program Files\\a.exe", "/x \"y z\""}),
              "\"C:\\Program Files\\a.exe\" /x \"y z\"");
    EXPECT_EQ(ProcessCommandLine({"C:\\work\\Engine.exe", "", SW_SHOW}), "\"C:\\work\\Engine.exe\"");
    EXPECT_EQ(ProcessCommandLine({"C:\\work dir\\Engine.exe", "/S", SW_SHOW, false}), "C:\\work dir\\Engine.exe /S");
}

TEST(ProcessStart, ThePathIsNeverSplitAtABlank)
{
    // Split at its blank, "...\\with blank.exe" would start the "with.exe" beside it.
    const std::string folder = TempFolder(true) + "kps " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string program = folder + "\\with blank.exe", decoy = folder + "\\with.exe";
    ASSERT_TRUE(CopyFileA((SystemFolder(true) + "cmd.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((SystemFolder(true) + "hostname.exe").c_str(), decoy.c_str(), FALSE));
    {
        const StartedProcess started = StartProcess({program, "/c exit 7", SW_HIDE, false});
        ASSERT_TRUE(started) << started.error;
        EXPECT_EQ(WaitForSingleObject(started.process.get(), 30000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(started.process.get(), &code);
        EXPECT_EQ(code, 7u);
    }
    // A failed start keeps the system's reason.
    const StartedProcess missing = StartProcess({folder + "\\missing.exe", ""});
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, DWORD(ERROR_FILE_NOT_FOUND));
    DeleteFileA(program.c_str());
    DeleteFileA(decoy.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(ProcessStart, ABareNameIsFoundAsTheSystemsStartFindsIt)
{
    // Beside the running program first (the agent beside its product), then the system.
    const std::string beside = ProgramPath(false);
    const std::string name = FileNamePart(beside);
    EXPECT_TRUE(SameTextTrimmed(FindProgramAsStartWould(name), beside)) << FindProgramAsStartWould(name);
    EXPECT_TRUE(SameTextTrimmed(FindProgramAsStartWould("cmd.exe"), SystemFolder(true) + "cmd.exe"));
    EXPECT_TRUE(SameTextTrimmed(FindProgramAsStartWould("cmd"), SystemFolder(true) + "cmd.exe"));
    // Paths and names found nowhere stay as they are.
    for (const char* kept : {"C:\\nowhere\\cmd.exe", "sub\\cmd.exe", "no-such-program.exe", ""})
        EXPECT_EQ(FindProgramAsStartWould(kept), kept);
}

TEST(ProcessStart, AnElevatedStartRunsInTheFolderItIsGiven)
{
    // A launcher that starts itself elevated keeps its current folder for its engine.
    // (This Wine starts "runas" without a prompt and without a change of rights.)
    const std::string folder =
        TempFolder(true) + "kelevated " + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
    const StartedProcess cmd =
        StartElevated({SystemFolder(true) + "cmd.exe", "/c cd > here.txt", SW_HIDE, true}, folder);
    ASSERT_TRUE(cmd) << cmd.error;
    EXPECT_EQ(WaitForSingleObject(cmd.process.get(), 60000), WAIT_OBJECT_0);
    const std::string here = folder + "\\here.txt";
    EXPECT_NE(GetFileAttributesA(here.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteTree(folder, true);
}

namespace {

// A copy of cmd.exe that the test holds open with no sharing, as a scanner holds an exe
// just written: every start of it fails until the holder lets go.
class HeldProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = TempFolder(true) + "kheld " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        program = folder + "\\held.exe";
        ASSERT_TRUE(CopyFileA((SystemFolder(true) + "cmd.exe").c_str(), program.c_str(), FALSE)) << GetLastError();
        held = CreateFileA(program.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE) << GetLastError();
    }
    void TearDown() override
    {
        LetGo(nullptr, 0, 0, 0);
        DeleteFileA(program.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    // A timer's procedure: it runs only while the waiting thread services its messages.
    static void CALLBACK LetGo(HWND, UINT, UINT_PTR timer, DWORD)
    {
        if (timer)
            KillTimer(nullptr, timer);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    }
    StartedProcess Start(const StartRetry& retry)
    {
        return StartProcessRetrying({program, "/c exit 7", SW_HIDE, true}, retry,
                                    [this](int tried, DWORD error) { failed.emplace_back(tried, error); });
    }

    static HANDLE held;
    std::string folder, program;
    std::vector<std::pair<int, DWORD>> failed; // the tries reported, in order
};
HANDLE HeldProgram::held = INVALID_HANDLE_VALUE;

} // namespace

TEST_F(HeldProgram, ARetryingStartSucceedsOnceTheHolderLetsGo)
{
    ASSERT_NE(SetTimer(nullptr, 0, 300, LetGo), 0u);
    const StartedProcess started = Start({10, 200});
    ASSERT_TRUE(started) << started.error;
    EXPECT_EQ(WaitForSingleObject(started.process.get(), 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(started.process.get(), &code);
    EXPECT_EQ(code, 7u);
    // The first try met the holder; a try after the let-go started it.
    ASSERT_FALSE(failed.empty());
    EXPECT_LT(failed.size(), 10u);
    for (std::size_t i = 0; i < failed.size(); ++i)
        EXPECT_EQ(failed[i], std::make_pair(static_cast<int>(i + 1), DWORD(ERROR_SHARING_VIOLATION)));
}

TEST_F(HeldProgram, AStartRefusedOnEveryTryComesBackAsTheError)
{
    const StartedProcess started = Start({3, 50});
    EXPECT_FALSE(started);
    EXPECT_EQ(started.error, DWORD(ERROR_SHARING_VIOLATION));
    const std::vector<std::pair<int, DWORD>> expected{
        {1, ERROR_SHARING_VIOLATION}, {2, ERROR_SHARING_VIOLATION}, {3, ERROR_SHARING_VIOLATION}};
    EXPECT_EQ(failed, expected);
}
