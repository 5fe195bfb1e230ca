#include "agent/ShutDownWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "RunningProduct.h"
#include "agent/OriginalFileWin.h"
#include "agent/ProcessWin.h"
#include "agent/Release.h"
#include "agent/ShutDown.h"
#include "payload/FolderVariablesWin.h"
#include "util/FilesWin.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"

namespace {

// The product's shutdown, with the agent's description files and trace captured.
class ProductShutDown : public RunningProduct {
protected:
    void SetUp() override
    {
        RunningProduct::SetUp();
        original_ = std::make_unique<OriginalFile>(folder_ + "\\app.original");
        SetTraceOutputs({nullptr, [this](const std::string& chunk) { trace_ += chunk; }});
    }
    void TearDown() override
    {
        SetTraceOutputs({});
        EnableUpdateLog(false);
        original_.reset();
        RunningProduct::TearDown();
    }
    ShutDownOutcome ShutDown(const std::string& path, const std::string& method, ShutDownWait wait = {})
    {
        return ShutDownProgram(*original_, path, method, wait);
    }
    void Original(const char* section, const char* key, const std::string& value)
    {
        ASSERT_TRUE(WriteIniString(original_->Path(), section, key, value));
    }
    std::unique_ptr<OriginalFile> original_;
    std::string trace_;
};

// Each method against the product as its switches make it behave.
TEST_F(ProductShutDown, ShutDownMethods)
{
    struct Row {
        const char* method;
        const char* switches;
        ShutDownOutcome outcome;
        const char* recorded; // what the product received
        const char* notRecorded;
    };
    using O = ShutDownOutcome;
    for (const Row& r : {Row{"Using WM_CLOSE", "", O::Stopped, "close wParam=15 lParam=255", "\nquit wParam=15"},
                         Row{"Using WM_QUIT", "/Refuse", O::Stopped, "quit wParam=15 lParam=255", "\nclose "},
                         Row{"Using Terminate Process", "/Ignore", O::Stopped, "start", "\nend"},
                         Row{"Don't Shut Down", "", O::StillRunning, "start", "\nclose "}}) {
        SCOPED_TRACE(r.method);
        ::DeleteFileA(record_.c_str());
        Start(r.switches);
        EXPECT_EQ(ShutDown(path_, r.method), r.outcome);
        EXPECT_EQ(Runs(started_.size() - 1), r.outcome == O::StillRunning);
        const std::string record = Record();
        EXPECT_TRUE(Contains(record, r.recorded)) << record;
        EXPECT_FALSE(Contains(record, r.notRecorded)) << record;
    }
    EXPECT_EQ(ShutDown(folder_ + "\\absent.exe", "Using WM_CLOSE"), O::NotRunning);
    EXPECT_EQ(ShutDown("", "Don't Shut Down"), O::NotRunning);
}

// A 32-bit launcher on 64-bit Windows cannot read a 64-bit process's module list, yet
// must find and stop a 64-bit product. Runs as win_unit.crossarch: the 32-bit tests in a
// 64-bit prefix with the twin's sample product; skipped anywhere else.
TEST_F(ProductShutDown, A32BitSearchFindsAndStopsA64BitProduct)
{
    BOOL wow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "needs this program as 32-bit on 64-bit Windows";
    const std::string twin = ProgramFolder(true) + "..\\..\\..\\win64\\tools\\sampleproduct\\SampleProduct.exe";
    ASSERT_TRUE(::CopyFileA(twin.c_str(), path_.c_str(), FALSE)) << twin;
    const DWORD pid = Start();
    EXPECT_EQ(FindProgramProcess(path_, true), pid);
    EXPECT_EQ(WindowText(FindMainWindow(path_, true)), "Sample Product");
    EXPECT_EQ(ShutDown(path_, "Using WM_CLOSE"), ShutDownOutcome::Stopped);
    EXPECT_TRUE(Contains(Record(), "close wParam=15 lParam=255")) << Record();
}

HANDLE g_toEnd = nullptr;
void CALLBACK EndProduct(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    ::TerminateProcess(g_toEnd, 3);
}

// The sequence keeps waiting for a product that stays until it is ended another way.
TEST_F(ProductShutDown, WaitsUntilTheProgramIsEndedAnotherWay)
{
    struct Row {
        const char* method;
        const char* switches;
        bool closeRecorded;
    };
    for (const Row& r :
         {Row{"Using WM_CLOSE", "/Refuse", true}, Row{"using wm_close", "", false}, Row{"", "", false}}) {
        SCOPED_TRACE(r.method);
        ::DeleteFileA(record_.c_str());
        Start(r.switches);
        g_toEnd = started_.back().process.get();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 3000, EndProduct);
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(ShutDown(path_, r.method), ShutDownOutcome::Stopped);
        ::KillTimer(nullptr, timer);
        EXPECT_GE(::GetTickCount() - start, 3000u);
        DWORD code = 0;
        ::GetExitCodeProcess(g_toEnd, &code);
        EXPECT_EQ(code, 3u); // ended by the timer, not by the sequence
        EXPECT_EQ(Contains(Record(), "\nclose "), r.closeRecorded) << Record();
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
    if (std::string(name) != "KMsgBox" || !::IsWindowVisible(w))
        return TRUE;
    BoxWatch& watch = *g_watch;
    ++watch.boxes;
    watch.title = WindowText(w);
    watch.text.clear();
    ::EnumChildWindows(w, CollectText, reinterpret_cast<LPARAM>(&watch.text));
    // The user closes the program, then the box.
    if (watch.product)
        ::PostMessageA(watch.product, WM_CLOSE, 0, 0);
    ::PostMessageA(w, WM_CLOSE, 0, 0);
    return FALSE;
}

void CALLBACK WatchBoxes(HWND, UINT, UINT_PTR, DWORD) { ::EnumThreadWindows(::GetCurrentThreadId(), AnswerBox, 0); }

TEST_F(ProductShutDown, MessageBoxAsksUntilTheProgramHasGone)
{
    Original("AutoUpdate", "s15", "Please close PROG_NAME.");
    Original("MsgBox", "Attention", "Heads up");
    Start();
    BoxWatch watch;
    watch.product = FindMainWindow(path_, true);
    g_watch = &watch;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, WatchBoxes);
    const ShutDownOutcome outcome = ShutDown(path_, "Issue a Message Box");
    ::KillTimer(nullptr, timer);
    g_watch = nullptr;
    EXPECT_EQ(outcome, ShutDownOutcome::Stopped);
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
    Original("Directories", "TargetDir", folder_ + "\\");
    Release release;
    release.runningProcess = "<InstallDir>sub\\..\\" + name_;
    release.shutDownMethod = "Using Terminate Process";
    const std::string log = UpdateLogFileName();
    ::DeleteFileA(log.c_str());
    EnableUpdateLog(true);
    Start();
    EXPECT_EQ(ShutDown(RunningProcessCommand(*original_, release).program, release.shutDownMethod),
              ShutDownOutcome::Stopped);
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

// The path is split from its arguments before its folder variables are expanded: the
// quote and the arguments never reach the full path of a ".." path.
TEST_F(ProductShutDown, ArgumentsAfterAQuotedRunningProcessAreNotPartOfThePath)
{
    Original("Directories", "TargetDir", folder_ + "\\sub\\");
    for (const std::string& text :
         {"\"<InstallDir>..\\" + name_ + "\" /tray", "\"<InstallDir>..\\" + name_ + "\"  /tray "}) {
        SCOPED_TRACE(text);
        Release release;
        release.runningProcess = text;
        Start();
        const ProgramCommand command = RunningProcessCommand(*original_, release);
        EXPECT_EQ(command.program, path_);
        EXPECT_EQ(command.arguments, "/tray");
        EXPECT_EQ(ShutDown(command.program, "Using Terminate Process"), ShutDownOutcome::Stopped);
        EXPECT_FALSE(Runs(started_.size() - 1));
    }
}

// A product that does not end keeps the agent no longer than the release allows: the
// sequence gives up (and says so), and the product runs on. An agent told to end gives
// up at once.
TEST_F(ProductShutDown, GivesUpWhenTheTimeIsUpOrTheAgentEnds)
{
    Original("AutoUpdate", "s15", "Please close PROG_NAME.");
    const std::string log = UpdateLogFileName();
    ::DeleteFileA(log.c_str());
    EnableUpdateLog(true);
    struct Row {
        const char* method;
        bool stopping;
    };
    for (const Row& r : {Row{"Using WM_CLOSE", false}, Row{"Issue a Message Box", false}, Row{"", true}}) {
        SCOPED_TRACE(r.method);
        Start("/Ignore");
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(ShutDown(path_, r.method, {2, [&r] { return r.stopping; }}), ShutDownOutcome::StillRunning);
        const DWORD took = ::GetTickCount() - start;
        EXPECT_LT(took, 20000u); // not the five minutes of the default
        EXPECT_TRUE(Runs(started_.size() - 1));
        const std::string text = ReadFileRange(log, 0, 0);
        EXPECT_TRUE(Contains(text, r.stopping ? "Shut Down Process() - given up: the agent ends\r\n"
                                              : "Shut Down Process() - still running after 2 s\r\n"))
            << text;
        ::TerminateProcess(started_.back().process.get(), 1);
        ::WaitForSingleObject(started_.back().process.get(), 5000);
        ::DeleteFileA(log.c_str());
    }
}

// A 64-bit product in the system's own Program Files is named by the native folder
// variable: from the shipped 32-bit agent on 64-bit Windows (win_unit.crossarch, with
// the twin's sample product) as from the twin or a 32-bit system, where it is the only
// Program Files. The old name keeps naming what it always named.
TEST_F(ProductShutDown, AProductInTheNativeProgramFilesIsFoundAndStopped)
{
    BOOL wow64 = FALSE;
    ::IsWow64Process(::GetCurrentProcess(), &wow64);
    const std::string native =
        ReadRegistryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramW6432Dir", "");
    const std::string own =
        ReadRegistryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "");
    ASSERT_FALSE(own.empty());
    const std::string programFiles = native.empty() ? own : native;
    EXPECT_EQ(ExpandVariables("<NativeProgramFilesDir>", "\\", true, false), programFiles);
    EXPECT_EQ(ExpandVariables("<ProgramFilesDir>", "\\", true, false), own);
    EXPECT_EQ(wow64 != FALSE, own != programFiles) << own << " / " << programFiles;

    // The product of the system's own kind: the twin's beside a 32-bit build on 64-bit.
    const std::string product = wow64
                                    ? ProgramFolder(true) + "..\\..\\..\\win64\\tools\\sampleproduct\\SampleProduct.exe"
                                    : sample_product::SampleProduct();
    const std::string folder = programFiles + "\\" + name_ + ".dir";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) << folder;
    path_ = folder + "\\" + name_;
    ASSERT_TRUE(::CopyFileA(product.c_str(), path_.c_str(), FALSE)) << product;
    const DWORD pid = Start();
    Release release;
    release.runningProcess = "\"<NativeProgramFilesDir>" + name_ + ".dir\\" + name_ + "\" /tray";
    const ProgramCommand command = RunningProcessCommand(*original_, release);
    EXPECT_EQ(command.program, path_);
    EXPECT_EQ(FindProgramProcess(command.program, true), pid);
    EXPECT_EQ(ShutDown(command.program, "Using WM_CLOSE"), ShutDownOutcome::Stopped);
    EXPECT_TRUE(Contains(Record(), "close wParam=15 lParam=255")) << Record();
    ::WaitForSingleObject(started_.back().process.get(), 5000);
    started_.clear();
    DeleteTree(folder, true);
}

} // namespace
