#include "util/ProcessStart.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(ProcessStart, ElevatesWhenTheSystemOrTheCallerSaysTheProgramNeedsRights)
{
    struct Case {
        bool needsRights;
        DWORD plainError;
        bool tried;
        bool elevated;
    };
    for (const Case& c : {Case{false, 0, true, false}, Case{false, 740, true, true},
                          Case{false, ERROR_FILE_NOT_FOUND, true, false}, Case{false, ERROR_ACCESS_DENIED, true, false},
                          // Known to need rights: no plain start that would fail half way.
                          Case{true, 0, false, true}, Case{true, 740, false, true}}) {
        SCOPED_TRACE(std::to_string(c.needsRights) + " " + std::to_string(c.plainError));
        std::vector<std::string> calls;
        const auto fake = [&calls](const char* name, DWORD error) {
            return [&calls, name, error](const ProcessStart& start) {
                calls.push_back(std::string(name) + " " + start.program + " " + start.arguments);
                StartedProcess started;
                if (error == 0)
                    started.process.reset(OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId()));
                started.error = error;
                return started;
            };
        };
        const StartedProcess started =
            StartProcessOrElevate({"C:\\w\\Engine.exe", "/S", SW_SHOW, false}, c.needsRights,
                                  fake("plain", c.plainError), fake("elevated", ERROR_CANCELLED));
        std::vector<std::string> want;
        if (c.tried)
            want.push_back("plain C:\\w\\Engine.exe /S");
        if (c.elevated)
            want.push_back("elevated C:\\w\\Engine.exe /S");
        EXPECT_EQ(calls, want);
        // The user's refusal of the consent prompt comes back as the start's error.
        EXPECT_EQ(started.error, c.elevated ? DWORD(ERROR_CANCELLED) : c.plainError);
    }
}
