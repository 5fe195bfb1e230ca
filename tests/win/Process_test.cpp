#include "agent/ProcessWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "RunningProduct.h"
#include "util/SysUtilsWin.h"

namespace {

TEST_F(RunningProduct, FoundByFullPathOrBareNameOrShortForm)
{
    const DWORD pid = Start();
    EXPECT_EQ(FindProgramProcess(path_, true), pid);
    EXPECT_EQ(FindProgramProcess(" " + UpperText(path_) + " ", true), pid);
    EXPECT_EQ(FindProgramProcess(name_, false), pid);
    EXPECT_EQ(FindProgramProcess(name_, true), 0u);
    EXPECT_TRUE(IsProgramRunning("\"" + path_ + "\""));
    EXPECT_TRUE(IsProgramRunning(name_));
    char shortPath[MAX_PATH];
    if (::GetShortPathNameA(path_.c_str(), shortPath, MAX_PATH) && path_ != shortPath) {
        EXPECT_EQ(FindProgramProcess(shortPath, true), pid) << shortPath;
    }
    EXPECT_EQ(FindProgramProcess("", false), 0u);
    EXPECT_FALSE(IsProgramRunning(folder_ + "\\other.exe"));
}

// Only processes of this user's session count. Here every program runs in this session,
// so the search is also given a rule that leaves the product out.
TEST_F(RunningProduct, OnlyProcessesOfThisSessionCount)
{
    const DWORD pid = Start();
    EXPECT_TRUE(InThisSession(pid));
    EXPECT_TRUE(InThisSession(::GetCurrentProcessId()));
    EXPECT_FALSE(InThisSession(0xFFFFFFF0)); // no such process: no session to share
    EXPECT_EQ(FindProgram(path_, true).pid, pid);
    EXPECT_EQ(FindProgram(path_, true, [pid](DWORD other) { return other != pid; }).pid, 0u);
    EXPECT_EQ(FindProgram(name_, false, [pid](DWORD other) { return other != pid; }).pid, 0u);
}

// The search keeps the process it found: a wait follows that process, not its id, and
// the handle tells when it has ended.
TEST_F(RunningProduct, TheFoundProcessIsHeldOpen)
{
    const DWORD pid = Start();
    const FoundProgram found = FindProgram(path_, true);
    ASSERT_EQ(found.pid, pid);
    ASSERT_TRUE(found.process);
    EXPECT_EQ(::WaitForSingleObject(found.process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::TerminateProcess(started_[0].process.get(), 1);
    EXPECT_EQ(::WaitForSingleObject(found.process.get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(WaitForProgramEnd(path_, 1000));
    EXPECT_FALSE(FindProgram(path_, true).process);
}

TEST_F(RunningProduct, TwoCopiesTheOneListedLastIsFound)
{
    const DWORD first = Start();
    const DWORD second = Start();
    const std::vector<DWORD> ids = ProcessIds();
    const auto a = std::find(ids.begin(), ids.end(), first), b = std::find(ids.begin(), ids.end(), second);
    ASSERT_TRUE(a != ids.end() && b != ids.end());
    EXPECT_EQ(FindProgramProcess(path_, true), a > b ? first : second);
}

TEST_F(RunningProduct, MainWindowIsTheTitledWindowThatOwnsTheOther)
{
    Start();
    const HWND main = FindMainWindow(path_, true);
    EXPECT_EQ(WindowText(main), "Sample Product");
    EXPECT_EQ(FindMainWindow(name_, true), nullptr);
    EXPECT_EQ(FindMainWindow(name_, false), main);
}

TEST_F(RunningProduct, OnlyInvisibleUntitledWindowsMeanNoMainWindowAndNothingPosted)
{
    Start("/Invisible");
    // The system's titled input-method window of its thread does not count.
    EXPECT_EQ(FindMainWindow(path_, true), nullptr);
    EXPECT_FALSE(PostToProgram(path_, true, WM_CLOSE, 15, 255));
    EXPECT_TRUE(Runs(0));
    EXPECT_FALSE(Contains(Record(), "\nclose "));
}

TEST_F(RunningProduct, FullPathOnlyActionsIgnoreABareName)
{
    Start();
    EXPECT_FALSE(PostToProgram(name_, true, WM_CLOSE, 15, 255));
    EXPECT_FALSE(TerminateProgram(name_, true));
    ::Sleep(300);
    EXPECT_TRUE(Runs(0));
    EXPECT_FALSE(Contains(Record(), "\nclose "));
    EXPECT_TRUE(IsProgramRunning(name_));
}

TEST_F(RunningProduct, TerminateEndsAProgramThatIgnoresEverything)
{
    Start("/Ignore");
    EXPECT_TRUE(PostToProgram(path_, true, WM_QUIT, 15, 255));
    EXPECT_TRUE(PostToProgram(path_, true, WM_CLOSE, 15, 255));
    WaitForProgramEnd(path_, 2500);
    EXPECT_TRUE(Runs(0)); // the wait gave up after its time-out
    EXPECT_TRUE(TerminateProgram(path_, true));
    ASSERT_EQ(::WaitForSingleObject(started_[0].process.get(), 5000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(started_[0].process.get(), &code);
    EXPECT_EQ(code, 0u);
    const std::string record = Record();
    EXPECT_TRUE(Contains(record, "quit wParam=15 lParam=255 at ")) << record;
    EXPECT_TRUE(Contains(record, "close wParam=15 lParam=255 at ")) << record;
    EXPECT_FALSE(Contains(record, "\nend")) << record;
    EXPECT_FALSE(TerminateProgram(path_, true));
}

} // namespace
