#include "agent/ProcessWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "agent/ShutDownWin.h"
#include "agent/StubAUInfoFiles.h"
#include "launcher/FilesWin.h"
#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

// The sample product built in the same tree as this test program.
std::string SampleProduct() { return ProgramFolder(true) + "..\\..\\tools\\sampleproduct\\SampleProduct.exe"; }

struct Started {
    ScopedHandle process;
    DWORD pid = 0;
};

struct WindowSearch {
    DWORD pid;
    bool found;
};

BOOL CALLBACK FindProcessWindow(HWND w, LPARAM p)
{
    auto& s = *reinterpret_cast<WindowSearch*>(p);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (owner == s.pid) s.found = true;
    return !s.found;
}

bool HasWindow(DWORD pid)
{
    WindowSearch search{pid, false};
    ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs copies of the sample product under a name no other process has, and ends the
// ones still running when the test is over.
class RunningProduct : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string id = std::to_string(::GetCurrentProcessId());
        folder_ = TempFolder(true) + "kproc_" + id;
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        name_ = "kprod" + id + ".exe";
        path_ = folder_ + "\\" + name_;
        record_ = folder_ + "\\record.txt";
        ASSERT_TRUE(::CopyFileA(SampleProduct().c_str(), path_.c_str(), FALSE)) << SampleProduct();
    }
    void TearDown() override
    {
        for (Started& s : started_) {
            if (::WaitForSingleObject(s.process.get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(s.process.get(), 1);
            ::WaitForSingleObject(s.process.get(), 5000);
        }
        started_.clear();
        DeleteTree(folder_, true);
    }

    // Starts a copy and waits until its windows are up.
    DWORD Start(const std::string& switches = "")
    {
        std::string line = "\"" + path_ + "\" /Record=\"" + record_ + "\" " + switches;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            ADD_FAILURE() << "cannot start " << line << ": " << ::GetLastError();
            return 0;
        }
        ::CloseHandle(pi.hThread);
        started_.push_back({ScopedHandle(pi.hProcess), pi.dwProcessId});
        for (int i = 0; i < 500 && !HasWindow(pi.dwProcessId); ++i) ::Sleep(20);
        EXPECT_TRUE(HasWindow(pi.dwProcessId));
        return pi.dwProcessId;
    }
    bool Runs(std::size_t copy) { return ::WaitForSingleObject(started_.at(copy).process.get(), 0) == WAIT_TIMEOUT; }
    std::string Record() { return ReadFileRange(record_, 0, 0); }

    std::string folder_, name_, path_, record_;
    std::vector<Started> started_;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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
    EXPECT_FALSE(Contains(Record(), "close"));
}

TEST_F(RunningProduct, FullPathOnlyActionsIgnoreABareName)
{
    Start();
    EXPECT_FALSE(PostToProgram(name_, true, WM_CLOSE, 15, 255));
    EXPECT_FALSE(TerminateProgram(name_, true));
    ::Sleep(300);
    EXPECT_TRUE(Runs(0));
    EXPECT_FALSE(Contains(Record(), "close"));
    EXPECT_TRUE(IsProgramRunning(name_));
}

TEST_F(RunningProduct, TerminateEndsAProgramThatIgnoresEverything)
{
    Start("/Ignore");
    EXPECT_TRUE(PostToProgram(path_, true, WM_QUIT, 15, 255));
    EXPECT_TRUE(PostToProgram(path_, true, WM_CLOSE, 15, 255));
    WaitForProgramEnd(path_, 2500);
    EXPECT_TRUE(Runs(0));  // the wait gave up after its time-out
    EXPECT_TRUE(TerminateProgram(path_, true));
    ASSERT_EQ(::WaitForSingleObject(started_[0].process.get(), 5000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(started_[0].process.get(), &code);
    EXPECT_EQ(code, 0u);
    const std::string record = Record();
    EXPECT_TRUE(Contains(record, "quit wParam=15 lParam=255 at ")) << record;
    EXPECT_TRUE(Contains(record, "close wParam=15 lParam=255 at ")) << record;
    EXPECT_FALSE(Contains(record, "end")) << record;
    EXPECT_FALSE(TerminateProgram(path_, true));
}

// Each method against the product as its switches make it behave.
TEST_F(RunningProduct, ShutDownMethods)
{
    struct Row {
        const char* method;
        const char* switches;
        int outcome;
        const char* recorded;  // what the product received
        const char* notRecorded;
    };
    for (const Row& r : {Row{"Using WM_CLOSE", "", 2, "close wParam=15 lParam=255", "quit wParam=15"},
                         Row{"Using WM_QUIT", "/Refuse", 2, "quit wParam=15 lParam=255", "close"},
                         Row{"Using Terminate Process", "/Ignore", 2, "start", "end"},
                         Row{"Don't Shut Down", "", 1, "start", "close"}}) {
        SCOPED_TRACE(r.method);
        ::DeleteFileA(record_.c_str());
        Start(r.switches);
        EXPECT_EQ(ShutDownProgram(path_, r.method), r.outcome);
        EXPECT_EQ(Runs(started_.size() - 1), r.outcome == 1);
        const std::string record = Record();
        EXPECT_TRUE(Contains(record, r.recorded)) << record;
        EXPECT_FALSE(Contains(record, r.notRecorded)) << record;
    }
    EXPECT_EQ(ShutDownProgram(folder_ + "\\absent.exe", "Using WM_CLOSE"), 0);
    EXPECT_EQ(ShutDownProgram("", "Don't Shut Down"), 0);
}

// A 32-bit launcher on 64-bit Windows cannot read a 64-bit process's module list, yet
// must find and stop a 64-bit product. Runs as win_unit.crossarch: the 32-bit tests in a
// 64-bit prefix with the twin's sample product; skipped anywhere else.
TEST_F(RunningProduct, A32BitSearchFindsAndStopsA64BitProduct)
{
    BOOL wow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "needs this program as 32-bit on 64-bit Windows";
    const std::string twin = ProgramFolder(true) + "..\\..\\..\\win64\\tools\\sampleproduct\\SampleProduct.exe";
    ASSERT_TRUE(::CopyFileA(twin.c_str(), path_.c_str(), FALSE)) << twin;
    const DWORD pid = Start();
    EXPECT_EQ(FindProgramProcess(path_, true), pid);
    EXPECT_EQ(WindowText(FindMainWindow(path_, true)), "Sample Product");
    EXPECT_EQ(ShutDownProgram(path_, "Using WM_CLOSE"), 2);
    EXPECT_TRUE(Contains(Record(), "close wParam=15 lParam=255")) << Record();
}

HANDLE g_toEnd = nullptr;
void CALLBACK EndProduct(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    ::TerminateProcess(g_toEnd, 3);
}

// The sequence keeps waiting for a product that stays until it is ended another way.
TEST_F(RunningProduct, WaitsUntilTheProgramIsEndedAnotherWay)
{
    struct Row {
        const char* method;
        const char* switches;
        bool closeRecorded;
    };
    for (const Row& r : {Row{"Using WM_CLOSE", "/Refuse", true}, Row{"using wm_close", "", false},
                         Row{"", "", false}}) {
        SCOPED_TRACE(r.method);
        ::DeleteFileA(record_.c_str());
        Start(r.switches);
        g_toEnd = started_.back().process.get();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 3000, EndProduct);
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(ShutDownProgram(path_, r.method), 2);
        ::KillTimer(nullptr, timer);
        EXPECT_GE(::GetTickCount() - start, 3000u);
        DWORD code = 0;
        ::GetExitCodeProcess(g_toEnd, &code);
        EXPECT_EQ(code, 3u);  // ended by the timer, not by the sequence
        EXPECT_EQ(Contains(Record(), "close"), r.closeRecorded) << Record();
    }
}

// The user is asked until the program has gone; the box names the program's file.
struct BoxWatch {
    int boxes = 0;
    std::string text;
    std::string title;
    HWND product = nullptr;
};
BoxWatch* g_watch = nullptr;

BOOL CALLBACK CollectText(HWND child, LPARAM out)
{
    *reinterpret_cast<std::string*>(out) += WindowText(child) + "\n";
    return TRUE;
}

BOOL CALLBACK AnswerBox(HWND w, LPARAM)
{
    char name[32] = {};
    ::GetClassNameA(w, name, sizeof name);
    if (std::string(name) != "KMsgBox" || !::IsWindowVisible(w)) return TRUE;
    BoxWatch& watch = *g_watch;
    ++watch.boxes;
    watch.title = WindowText(w);
    watch.text.clear();
    ::EnumChildWindows(w, CollectText, reinterpret_cast<LPARAM>(&watch.text));
    // The user closes the program, then the box.
    if (watch.product) ::PostMessageA(watch.product, WM_CLOSE, 0, 0);
    ::PostMessageA(w, WM_CLOSE, 0, 0);
    return FALSE;
}

void CALLBACK WatchBoxes(HWND, UINT, UINT_PTR, DWORD) { ::EnumThreadWindows(::GetCurrentThreadId(), AnswerBox, 0); }

class ProductShutDown : public RunningProduct {
protected:
    void SetUp() override
    {
        RunningProduct::SetUp();
        SetDescriptionFiles(folder_ + "\\app.original", folder_ + "\\app.info");
        SetTraceOutputs({nullptr, [this](const std::string& chunk) { trace_ += chunk; }});
    }
    void TearDown() override
    {
        SetTraceOutputs({});
        EnableUpdateLog(false);
        SetDescriptionFiles("", "");
        RunningProduct::TearDown();
    }
    std::string trace_;
};

TEST_F(ProductShutDown, MessageBoxAsksUntilTheProgramHasGone)
{
    WriteIniString(OriginalFilePath(), "AutoUpdate", "s15", "Please close PROG_NAME.");
    WriteIniString(OriginalFilePath(), "MsgBox", "Attention", "Heads up");
    Start();
    BoxWatch watch;
    watch.product = FindMainWindow(path_, true);
    g_watch = &watch;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, WatchBoxes);
    const int outcome = ShutDownProgram(path_, "Issue a Message Box");
    ::KillTimer(nullptr, timer);
    g_watch = nullptr;
    EXPECT_EQ(outcome, 2);
    EXPECT_GE(watch.boxes, 1);
    EXPECT_EQ(watch.title, "Heads up");
    EXPECT_TRUE(Contains(watch.text, "Please close " + name_ + ".")) << watch.text;
    EXPECT_TRUE(Contains(trace_, "s1=Please close " + name_ + ".<\r\n")) << trace_;
    // The sequence's marks: 8 after the box, 9 at the end.
    const auto eight = trace_.find(" ==== PerformAutoUpdate-8 ====\r\n");
    ASSERT_NE(eight, std::string::npos) << trace_;
    EXPECT_GT(eight, trace_.find("s1="));
    EXPECT_NE(trace_.find(" ==== PerformAutoUpdate-9 ====\r\n", eight), std::string::npos) << trace_;
}

TEST_F(ProductShutDown, RunningProcessFromTheDescriptionFilesWithFolderVariables)
{
    WriteIniString(OriginalFilePath(), "Directories", "TargetDir", folder_ + "\\");
    WriteIniString(InfoFilePath(), "NewSetup", "RunningProcess", "<InstallDir>sub\\..\\" + name_);
    WriteIniString(InfoFilePath(), "NewSetup", "ShutDownMethod", "Using Terminate Process");
    const std::string log = UpdateLogFileName();
    ::DeleteFileA(log.c_str());
    EnableUpdateLog(true);
    Start();
    EXPECT_EQ(ShutDownRunningProduct(), 2);
    EXPECT_FALSE(Runs(0));
    const std::string text = ReadFileRange(log, 0, 0);
    ::DeleteFileA(log.c_str());
    EXPECT_TRUE(Contains(text, "Shut Down Process() - START  (" + path_ + ")  Method: Using Terminate Process\r\n"))
        << text;
    EXPECT_TRUE(Contains(text, "Shut Down Process() - END\r\n")) << text;
    EXPECT_TRUE(Contains(trace_, "PID=" + std::to_string(started_[0].pid) + "\t   Exists=TRUE\t  >" + path_ + "<"))
        << trace_;
    // The terminate method marks 8 before it acts.
    EXPECT_LT(trace_.find(" ==== PerformAutoUpdate-8 ===="), trace_.find("PID="));
}

void CALLBACK DestroyOnTimer(HWND window, UINT, UINT_PTR, DWORD) { ::DestroyWindow(window); }

TEST(WaitWhileWindowExists, ReturnsOnceTheWindowIsGone)
{
    const std::string title = "kwait_" + std::to_string(::GetCurrentProcessId());
    HWND w = ::CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    const UINT_PTR timer = ::SetTimer(w, 1, 300, DestroyOnTimer);
    ASSERT_NE(timer, 0u);
    WaitWhileWindowExists("Static", title);
    EXPECT_FALSE(::IsWindow(w));
    WaitWhileWindowExists("", title);  // none: returns at once
}

}  // namespace
