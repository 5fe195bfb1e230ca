#include "util/ProcessStart.h"

#include <gtest/gtest.h>

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
