#include "util/SysUtilsWin.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "util/FilesWin.h"
#include "util/ScopedWin.h"
#include "util/UtilsWin.h"

namespace {

std::string TempPath(const std::string& name)
{
    return TempFolder(true) + "ksys_" + std::to_string(::GetCurrentProcessId()) + "_" + name;
}

TEST(SysUtils, IniSemantics)
{
    const std::string ini = TempPath("settings.ini");
    ASSERT_TRUE(WriteFileData(ini, "top=outside\r\n[S]\r\nname=Kal\r\nempty=\r\nnum=-12\r\nbad=abc\r\n", 0, false));
    struct Row {
        std::string file, section, key, result;
    };
    for (const Row& r : {Row{ini, "S", "name", "Kal"}, Row{ini, "s", "NAME", "Kal"}, Row{ini, "S", "empty", "def"},
                         Row{ini, "S", "missing", "def"}, Row{ini, "T", "name", "def"},
                         Row{ini, "", "top", "def"}, // an empty section never reads the file
                         Row{TempPath("missing.ini"), "S", "name", "def"}}) {
        EXPECT_EQ(ReadIniString(r.file, r.section, r.key, "def"), r.result) << r.section << "/" << r.key;
    }
    EXPECT_EQ(ReadIniInt(ini, "S", "num", 5), -12);
    EXPECT_EQ(ReadIniInt(ini, "S", "bad", 5), 5);
    EXPECT_EQ(ReadIniInt(ini, "S", "missing", 5), 5);

    ASSERT_TRUE(WriteIniInt(ini, "New", "big", 9007199254740993LL));
    ASSERT_TRUE(WriteIniString(ini, "S", "name", "Other"));
    EXPECT_EQ(ReadIniInt(ini, "New", "big", 0), 9007199254740993LL);
    EXPECT_EQ(ReadIniString(ini, "S", "name", ""), "Other");
    ::DeleteFileA(ini.c_str());
}

// Values are seeded with the system's own reg tool, as a suite author would.
class RegistryTest : public ::testing::Test {
protected:
    static constexpr const char* kKey = "HKCU\\Software\\KalvexTest";
    static void Reg(const std::string& args)
    {
        ASSERT_EQ(std::system(("reg " + args + " >NUL 2>&1").c_str()), 0) << args;
    }
    void SetUp() override { std::system("reg delete HKCU\\Software\\KalvexTest /f >NUL 2>&1"); }
    void TearDown() override { std::system("reg delete HKCU\\Software\\KalvexTest /f >NUL 2>&1"); }
};

TEST_F(RegistryTest, ReadsValuesAsText)
{
    Reg(std::string("add ") + kKey + " /v Dw /t REG_DWORD /d 4294967295 /f");
    Reg(std::string("add ") + kKey + " /v Multi /t REG_MULTI_SZ /d a\\0b /f");
    Reg(std::string("add ") + kKey + " /v Str /t REG_SZ /d \"two words\" /f");
    Reg(std::string("add ") + kKey + " /v Huge /t REG_SZ /d " + std::string(10300, 'h') + " /f");
    struct Row {
        std::string path, name, result;
    };
    for (const Row& r :
         {Row{kKey, "Dw", "4294967295"}, Row{kKey, "Multi", "a<0>b"}, Row{kKey, "Str", "two words"},
          Row{"HKEY_CURRENT_USER\\Software\\KalvexTest", "Str", "two words"},
          Row{"Software\\KalvexTest", "Str", "two words"}, // the current user by default
          Row{kKey, "Huge", "def"}, Row{kKey, "Missing", "def"}, Row{"HKLM\\Software\\KalvexTest", "Str", "def"},
          Row{kKey + std::string("\\No"), "Str", "def"}}) {
        EXPECT_EQ(ReadRegistryValue(r.path, r.name, "def"), r.result) << r.path << " " << r.name;
    }
    // The shell would expand %TEMP% on the reg command line: write this one directly.
    HKEY raw = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KalvexTest", 0, KEY_SET_VALUE, &raw), ERROR_SUCCESS);
    ScopedRegKey key(raw);
    const char exp[] = "%TEMP%\\x";
    ASSERT_EQ(::RegSetValueExA(key.get(), "Exp", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(exp), sizeof exp),
              ERROR_SUCCESS);
    std::string expandable = ReadRegistryValue(kKey, "Exp", "def");
    EXPECT_TRUE(expandable == "%TEMP%\\x") << expandable; // never expanded
}

// Counts the messages that reach it.
struct CountingWindow {
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == WM_APP)
            ++count;
        return ::DefWindowProcA(w, m, wp, lp);
    }
    CountingWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "KSysUtilsTestWindow";
        ::RegisterClassA(&wc);
        window.reset(::CreateWindowExA(0, wc.lpszClassName, "Pump test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                       wc.hInstance, nullptr));
    }
    static inline int count = 0;
    ScopedWindow window;
};

TEST(SysUtils, SleepPumpingWaitsAndDispatches)
{
    CountingWindow w;
    ASSERT_TRUE(w.window);
    EXPECT_EQ(WindowText(w.window.get()), "Pump test");
    EXPECT_EQ(WindowText(nullptr), "");
    struct Row {
        int64_t step, duration;
    };
    for (Row r : {Row{0, 5}, Row{0, 100}, Row{0, 300}, Row{20, 60}}) {
        CountingWindow::count = 0;
        for (int i = 0; i < 3; ++i)
            ::PostMessageA(w.window.get(), WM_APP, 0, 0);
        int64_t start = MillisecondClock();
        SleepPumping(r.step, r.duration);
        int64_t elapsed = MillisecondClock() - start;
        EXPECT_EQ(CountingWindow::count, 3) << r.duration;
        EXPECT_GE(elapsed, r.duration);
        // Whole steps: never more than one step past the end (plus scheduling slack).
        EXPECT_LT(elapsed, r.duration + SleepStep(r.step, r.duration) + 250) << r.duration;
    }
}

TEST(SysUtils, YieldXLeavesTheQuitRequestForTheMessageLoop)
{
    ::PostQuitMessage(7);
    YieldX(0);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

void CALLBACK DestroyOnTimer(HWND window, UINT, UINT_PTR, DWORD) { ::DestroyWindow(window); }

TEST(SysUtils, WaitWhileWindowExistsReturnsOnceTheWindowIsGone)
{
    const std::string title = "kwait_" + std::to_string(::GetCurrentProcessId());
    HWND w = ::CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    const UINT_PTR timer = ::SetTimer(w, 1, 300, DestroyOnTimer);
    ASSERT_NE(timer, 0u);
    EXPECT_TRUE(WaitWhileWindowExists("Static", title, 60000));
    EXPECT_FALSE(::IsWindow(w));
    EXPECT_TRUE(WaitWhileWindowExists("", title, 0)); // none: returns at once
}

TEST(SysUtils, WaitWhileWindowExistsEndsAtItsLimit)
{
    // A window that nobody closes (a hung program's, or one made to hold the waiter).
    const std::string title = "kstays_" + std::to_string(::GetCurrentProcessId());
    HWND w = ::CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    const int64_t started = MillisecondClock();
    EXPECT_FALSE(WaitWhileWindowExists("Static", title, 500));
    EXPECT_GE(MillisecondClock() - started, 500);
    EXPECT_TRUE(::IsWindow(w));
    ::DestroyWindow(w);
}

TEST(SysUtils, DeveloperModeIsReadOnce)
{
    ::SetEnvironmentVariableA("DVX", nullptr);
    EXPECT_FALSE(IsDeveloperMode());
    ::SetEnvironmentVariableA("DVX", "543");
    EXPECT_FALSE(IsDeveloperMode());
    ::SetEnvironmentVariableA("DVX", nullptr);
}

TEST(SysUtils, FileVersionText)
{
    const std::string dll = SystemFolder(true) + "kernel32.dll";
    std::string full = FileVersionText(dll, 1, 4);
    EXPECT_TRUE(std::regex_match(full, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << full;
    EXPECT_EQ(FileVersionText(dll, 3, 2), NormalizeVersion(full, 3, 2));
    const std::string plain = TempPath("plain.txt");
    ASSERT_TRUE(WriteFileData(plain, "no version here", 0, false));
    EXPECT_EQ(FileVersionText(plain, 1, 4), "");
    ::DeleteFileA(plain.c_str());
}

TEST(SysUtils, LibrariesAndMachineFacts)
{
    // System libraries come from the system folder, whatever lies beside the program.
    ScopedLibrary shell = LoadSystemLibrary("SHFolder.dll");
    ASSERT_TRUE(shell);
    char loaded[MAX_PATH] = {};
    ::GetModuleFileNameA(shell.get(), loaded, MAX_PATH);
    EXPECT_EQ(UpperText(loaded), UpperText(SystemFolder(true) + "SHFolder.dll"));
    EXPECT_NE(ProcFrom<FARPROC>(shell.get(), "SHGetFolderPathA"), nullptr);
    EXPECT_FALSE(LoadSystemLibrary("no_such_library.dll"));
    EXPECT_TRUE(IsWindowsNT());
    EXPECT_EQ(WindowsVersionKey(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    EXPECT_FALSE(UserName().empty());
    EXPECT_FALSE(ComputerName().empty());
    EXPECT_EQ(ErrorText(ERROR_FILE_NOT_FOUND).empty(), false);
    SetAutoPlaySuppression(true);
    EXPECT_EQ(AutoPlayMessage(), ::RegisterWindowMessageA("QueryCancelAutoPlay"));
    SetAutoPlaySuppression(false);
    EXPECT_EQ(AutoPlayMessage(), 0u);
}

} // namespace
