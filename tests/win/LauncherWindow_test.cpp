#include "launcher/LauncherWindow.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "FakeLauncher.h"
#include "PayloadWriter.h"
#include "WindowDriver.h"
#include "TestSession.h"
#include "agent/AgentRequest.h"
#include "agent/AgentTick.h"
#include "launcher/ExitCodes.h"
#include "launcher/Stub.h"
#include "launcher/RunContext.h"
#include "net/InetHTTP.h"
#include "util/FilesWin.h"
#include "payload/GFileInfo.h"
#include "ui/KMsgBox.h"
#include "ui/KProgBar.h"
#include "util/KDebug.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

const std::string& Scratch()
{
    static const std::string folder = [] {
        const std::string f = TempFolder(true) + "kstubwin_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(f.c_str(), nullptr);
        return f;
    }();
    return folder;
}

// A payload on a few bytes of launcher image: the window reads only its header strings.
std::string MakePayload(const std::string& name, const std::string& charset)
{
    const std::string launcher = Scratch() + "\\bare.exe";
    std::ofstream(launcher, std::ios::binary) << FakeLauncher();
    BuildPlan plan;
    plan.launcher = launcher;
    plan.output = Scratch() + "\\" + name;
    plan.tokenSeed = 7;
    plan.hasUpdate = true;
    plan.infoFile = "product.info";
    plan.agentFile = "agent.exe";
    plan.languages = {{"English", {{"s0", "Window Test"}, {"Charset", charset}}}};
    return WritePayload(plan).front();
}

std::string StoredText(const std::string& path, const char* section, const char* key)
{
    char buf[256] = {};
    GetPrivateProfileStringA(section, key, "", buf, sizeof buf, path.c_str());
    return buf;
}

struct Controls {
    HWND label = nullptr, mainBar = nullptr, activityBar = nullptr;
};

Controls FindControls(HWND wnd)
{
    Controls c;
    for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0)
            c.label = child;
        else if (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)
            c.mainBar = child;
        else
            c.activityBar = child;
    }
    return c;
}

// The window as agent mode has it: an agent session behind its requests.
class LauncherWindowTest : public ::testing::Test {
protected:
    // The window dresses process-wide state from its payload; later tests expect it fresh.
    static void TearDownTestSuite()
    {
        DeleteTree(Scratch(), true);
        ResetLanguageBlockForTest();
        SetMsgBoxFont("Tahoma", 8, DEFAULT_CHARSET);
    }

    WindowHandlers SessionHandlers()
    {
        WindowHandlers handlers;
        handlers.request = [this](std::uint32_t code, std::int32_t value) {
            return PerformAgentRequest(*session_, code, value);
        };
        handlers.shutDown = [this](int countdown) { session_->shutdownCountdown = countdown; };
        return handlers;
    }

    HWND Open(const std::string& charset = "0", std::optional<WindowHandlers> handlers = std::nullopt)
    {
        // Each payload's own language block, not the one an earlier descriptor chose.
        ResetLanguageBlockForTest();
        run_ = std::make_unique<RunContext>(MakePayload("setup" + charset + ".exe", charset));
        run_->windowClass = "KLauncherWindowTestClass";
        session_ = std::make_unique<AgentSession>(MakeTestSession(Scratch(), &run_->own));
        window_ = std::make_unique<LauncherWindow>(*run_, handlers ? std::move(*handlers) : SessionHandlers());
        wnd_ = window_->Handle();
        // The tests drive the window by hand; the tick would start a setup run.
        timerStarted_ = KillTimer(wnd_, 1) != FALSE;
        return wnd_;
    }

    void TearDown() override
    {
        if (IsWindow(wnd_))
            DestroyWindow(wnd_);
        // Destroying the window posts the quit message to this thread.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        window_.reset();
        session_.reset();
        run_.reset();
        // The description files one test writes are not the next one's (tests run in any
        // order).
        for (const char* name : {"\\product.original", "\\product.info"})
            DeleteFileA((Scratch() + name).c_str());
    }

    std::unique_ptr<RunContext> run_;
    std::unique_ptr<AgentSession> session_;
    std::unique_ptr<LauncherWindow> window_;
    HWND wnd_ = nullptr;
    bool timerStarted_ = false;
};

} // namespace

TEST_F(LauncherWindowTest, GeometryFollowsTheReadingDirection)
{
    struct Case {
        const char* charset;
        int labelX, activityX;
    };
    for (const Case& c : {Case{"0", 70, 416}, Case{"177", 122, 70}, Case{"178", 122, 70}, Case{"186", 70, 416}}) {
        SCOPED_TRACE(c.charset);
        const HWND wnd = Open(c.charset);
        ASSERT_NE(wnd, nullptr);
        EXPECT_TRUE(timerStarted_);
        EXPECT_FALSE(IsWindowVisible(wnd));

        RECT area;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        RECT rc;
        GetWindowRect(wnd, &rc);
        EXPECT_EQ(rc.right - rc.left, 492);
        EXPECT_EQ(rc.bottom - rc.top, 110);
        EXPECT_EQ(rc.left, area.left + (area.right - area.left - 492) / 2);
        EXPECT_EQ(rc.top, area.top + (area.bottom - area.top - 110) / 2);
        EXPECT_EQ(WindowText(wnd), "Window Test");

        // A hidden window (the agent's, all day) has no controls; they come with the first show.
        EXPECT_EQ(GetWindow(wnd, GW_CHILD), nullptr);
        ShowWindow(wnd, SW_SHOWNA);
        const Controls ctl = FindControls(wnd);
        ASSERT_TRUE(ctl.label && ctl.mainBar && ctl.activityBar);
        const RECT label = RectIn(ctl.label, wnd), bar = RectIn(ctl.mainBar, wnd),
                   activity = RectIn(ctl.activityBar, wnd);
        EXPECT_EQ(label.left, c.labelX);
        EXPECT_EQ(label.top, 20);
        EXPECT_EQ(label.right - label.left, 340);
        EXPECT_EQ(bar.left, 70);
        EXPECT_EQ(bar.top, 38);
        EXPECT_EQ(bar.right - bar.left, 392);
        EXPECT_EQ(activity.left, c.activityX);
        EXPECT_EQ(activity.top, 20);
        EXPECT_EQ(activity.right - activity.left, 46);
        TearDown();
    }
}

TEST_F(LauncherWindowTest, LabelAndActivityBarSetWhileHiddenComeWithTheControls)
{
    const HWND wnd = Open();
    window_->SetLabel("Downloading INFO File...", "Tahoma", 0, 8);
    window_->ShowActivityBar();
    EXPECT_EQ(GetWindow(wnd, GW_CHILD), nullptr);
    ShowWindow(wnd, SW_SHOWNA);
    int visibleBars = 0;
    std::string label;
    for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0)
            label = WindowText(child);
        else if (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)
            ++visibleBars;
    }
    EXPECT_EQ(label, "Downloading INFO File...");
    EXPECT_EQ(visibleBars, 2);
}

TEST_F(LauncherWindowTest, ProgressSinkDrivesBothBars)
{
    const HWND wnd = Open();
    ShowWindow(wnd, SW_SHOWNA);
    const Controls ctl = FindControls(wnd);
    ProgressSink(0, 0, 0x12345, 3, 2, "");
    EXPECT_EQ(SendMessageA(ctl.mainBar, PBM_GETRANGE, FALSE, 0), 0x2345); // 16-bit range
    EXPECT_EQ(SendMessageA(ctl.mainBar, PBM_GETPOS, 0, 0), 3);
    std::vector<LRESULT> activity;
    for (int i = 0; i < 7; ++i) {
        ProgressSink(1, 0, 0, 0, 0, "");
        SleepPumping(0, 100); // steps are shown at most every 40 ms
        activity.push_back(SendMessageA(ctl.activityBar, PBM_GETPOS, 0, 0));
    }
    EXPECT_EQ(activity, (std::vector<LRESULT>{1, 2, 3, 4, 5, 0, 1}));
    EXPECT_EQ(SendMessageA(ctl.mainBar, PBM_GETPOS, 0, 0), 3 + 7 * 2);
}

TEST_F(LauncherWindowTest, AgentRequestsSetTheAgentValues)
{
    // The values a request may change, as the session starts.
    struct Values {
        int timerCount = -3;
        int shutdownCountdown = -1;
        AgentMode mode = AgentMode::Background;
        bool checkNow = false;
        bool justDownloadInfoFile = false;
        OverrideBytes overrides = FreshOverrides();
    };
    struct Case {
        WPARAM code;
        LPARAM value;
        std::function<void(Values&)> expect; // applied to the untouched values
    };
    const std::vector<Case> cases = {
        {6, 1, [](Values&) {}},
        {16, 1, [](Values&) {}},
        {19, 1, [](Values&) {}},
        {26, 1, [](Values&) {}},
        {20, 0x301, [](Values& v) { v.overrides[0] = 1; }},
        {22, 0, [](Values& v) { v.overrides[2] = 0; }},
        {25, 0x1FF, [](Values& v) { v.overrides[5] = 255; }},
        {30, 4, [](Values& v) { v.shutdownCountdown = 4; }},
        {30, 0, [](Values& v) { v.shutdownCountdown = 0; }},
        {31, 1, [](Values& v) { v.checkNow = true, v.timerCount = 1; }},
        {31, 2, [](Values& v) { v.checkNow = true, v.timerCount = 1, v.mode = AgentMode::InteractiveRequested; }},
        {32, 0, [](Values& v) { v.justDownloadInfoFile = true; }},
    };
    const HWND wnd = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        session_ = std::make_unique<AgentSession>(MakeTestSession(Scratch(), &run_->own));
        Values want;
        c.expect(want);

        EXPECT_EQ(SendMessageA(wnd, wm_AgentMsg, c.code, c.value), 0);
        const AgentSession& got = *session_;
        EXPECT_EQ(got.timerCount, want.timerCount);
        EXPECT_EQ(got.shutdownCountdown, want.shutdownCountdown);
        EXPECT_EQ(got.mode, want.mode);
        EXPECT_EQ(got.checkNow, want.checkNow);
        EXPECT_EQ(got.justDownloadInfoFile, want.justDownloadInfoFile);
        EXPECT_EQ(got.overrides, want.overrides);
    }
    // A check requested while the counter already runs leaves the counter alone.
    session_->timerCount = 9;
    SendMessageA(wnd, wm_AgentMsg, 31, 0);
    EXPECT_EQ(session_->timerCount, 9);
    // Neither description file was touched by any of it.
    EXPECT_EQ(GetFileAttributesA(session_->files.original.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(session_->files.info.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LauncherWindowTest, AgentRequestsReadAndWriteTheDescriptionFiles)
{
    const HWND wnd = Open();
    // Beside the agent, named after its payload's update options.
    const AgentFiles located = AgentFilesIn(Scratch(), run_->own);
    EXPECT_EQ(located.original, Scratch() + "\\product.original");
    EXPECT_EQ(located.info, Scratch() + "\\product.info");
    EXPECT_EQ(located.fetchFolder, Scratch() + "\\X_agent.fetch\\");
    EXPECT_EQ(located.xCopy, Scratch() + "\\X_agent.exe");
    EXPECT_EQ(located.log, Scratch() + "\\X_agent.log");
    EXPECT_FALSE(located.PerUser());
    const std::string original = session_->files.original, info = session_->files.info;

    // Missing files answer the defaults.
    for (WPARAM code : {4, 5, 8, 9, 10, 11})
        EXPECT_EQ(SendMessageA(wnd, wm_AgentMsg, code, 0), 0) << code;

    WritePrivateProfileStringA("OriginalSetup", "VersionOriginal", "4294967301", original.c_str()); // 2^32 + 5
    WritePrivateProfileStringA("OriginalSetup", "ProbeSecondsInterval", "3600", original.c_str());
    WritePrivateProfileStringA("OriginalSetup", "ReAskSecondsInterval", "-60", original.c_str());
    WritePrivateProfileStringA("OriginalSetup", "ProbeSecondsLast", "1700000000", original.c_str());
    WritePrivateProfileStringA("OriginalSetup", "ReAskSecondsLast", "12", original.c_str());
    WritePrivateProfileStringA("NewSetup", "VersionNew", "207", info.c_str());
    // The release is read once: the session that starts finds the one an earlier run kept.
    EXPECT_EQ(SendMessageA(wnd, wm_AgentMsg, 5, 0), 0);
    session_ = std::make_unique<AgentSession>(MakeTestSession(Scratch(), &run_->own));
    struct Read {
        WPARAM code;
        LRESULT want;
    };
    for (const Read& r : {Read{4, 5}, Read{5, 207}, Read{8, 3600}, Read{9, -60}, Read{10, 1700000000}, Read{11, 12}})
        EXPECT_EQ(SendMessageA(wnd, wm_AgentMsg, r.code, 0), r.want) << r.code;

    struct Write {
        WPARAM code;
        LPARAM value;
        const char* key;
        const char* want;
        bool readable; // the "__" copy
    };
    for (const Write& w :
         {Write{12, -5, "ProbeSecondsInterval", "-5", false}, Write{13, 86400, "ReAskSecondsInterval", "86400", false},
          Write{14, 1234567, "ProbeSecondsLast", "1234567", true}, Write{15, -1, "ReAskSecondsLast", "-1", true}}) {
        SCOPED_TRACE(w.key);
        EXPECT_EQ(SendMessageA(wnd, wm_AgentMsg, w.code, w.value), 0);
        EXPECT_EQ(StoredText(original, "OriginalSetup", w.key), w.want);
        EXPECT_EQ(!StoredText(original, "OriginalSetup", (std::string("__") + w.key).c_str()).empty(), w.readable);
        EXPECT_EQ(SendMessageA(wnd, wm_AgentMsg, w.code - 4, 0), static_cast<LRESULT>(w.value));
    }
    // A 64-bit build reads only the low halves of code and value, as a 32-bit sender means them.
    if constexpr (sizeof(LPARAM) == 8) {
        const auto high = static_cast<std::uint64_t>(1) << 32;
        EXPECT_EQ(SendMessageA(wnd, wm_AgentMsg, static_cast<WPARAM>(high | 12), static_cast<LPARAM>(high | 7)), 0);
        EXPECT_EQ(StoredText(original, "OriginalSetup", "ProbeSecondsInterval"), "7");
    }
    DeleteFileA(original.c_str());
    DeleteFileA(info.c_str());
}

TEST_F(LauncherWindowTest, LocalMessageRegistersTheNotifyWindow)
{
    const HWND wnd = Open();
    const HWND notify = CreateWindowExA(0, "Static", "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(notify, nullptr);
    constexpr UINT kMsg = WM_APP + 7;
    auto received = [&] {
        std::vector<std::pair<WPARAM, LPARAM>> got;
        MSG m;
        while (PeekMessageA(&m, notify, kMsg, kMsg, PM_REMOVE))
            got.emplace_back(m.wParam, m.lParam);
        return got;
    };
    using Got = std::vector<std::pair<WPARAM, LPARAM>>;

    SendMessageA(wnd, wm_LocalMsg, reinterpret_cast<WPARAM>(notify), kMsg);
    EXPECT_EQ(received(), (Got{{50, reinterpret_cast<LPARAM>(wnd)}, {51, 0x465}}));
    window_->Notify(NotifyCheck, 2);
    EXPECT_EQ(received(), (Got{{40, 2}}));

    // A zero window, or a zero message, clears the registration.
    for (auto [window, message] : {std::pair<HWND, UINT>{nullptr, kMsg}, std::pair<HWND, UINT>{notify, 0}}) {
        SendMessageA(wnd, wm_LocalMsg, reinterpret_cast<WPARAM>(notify), kMsg);
        received();
        SendMessageA(wnd, wm_LocalMsg, reinterpret_cast<WPARAM>(window), message);
        window_->Notify(NotifyLoopEnded, 0);
        EXPECT_EQ(received(), Got{});
    }
    DestroyWindow(notify);
}

TEST_F(LauncherWindowTest, ShutDownSetsTheCountdown)
{
    const HWND wnd = Open();
    SendMessageA(wnd, wm_ShutDown, 3, 0);
    EXPECT_EQ(session_->shutdownCountdown, 3);
}

TEST_F(LauncherWindowTest, FirstCloseStopsDownloadsSecondDestroys)
{
    const HWND wnd = Open();
    ASSERT_FALSE(DownloadAbortRequested());
    EXPECT_EQ(SendMessageA(wnd, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(wnd));
    EXPECT_TRUE(DownloadAbortRequested());
    SendMessageA(wnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(wnd));
    // Destroying ends the loop.
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(LauncherWindowTest, CancelsAutoPlayOnlyOnceRegistered)
{
    const HWND wnd = Open();
    const UINT autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
    SetAutoPlaySuppression(false);
    EXPECT_EQ(SendMessageA(wnd, autoPlay, 0, 0), 0);
    SetAutoPlaySuppression(true);
    EXPECT_EQ(SendMessageA(wnd, autoPlay, 0, 0), 1);
    SetAutoPlaySuppression(false);
}

TEST_F(LauncherWindowTest, TimerMessagesRunTheAgentsTick)
{
    WindowHandlers handlers = SessionHandlers();
    handlers.tick = [this](LauncherWindow&) { AgentTimerTick(*session_); };
    const HWND wnd = Open("0", std::move(handlers));
    session_->timerCount = -5;
    SendMessageA(wnd, WM_TIMER, 1, 0);
    SendMessageA(wnd, WM_TIMER, 1, 0);
    EXPECT_EQ(session_->timerCount, -3);
}

TEST_F(LauncherWindowTest, SetupWhoseLoopEndsBeforeItsFirstTickIsNoSuccess)
{
    // The loop ends at once (as when the window is closed before the setup tick): the
    // setup never ran, which a script must not read as an installed product.
    RunContext run(MakePayload("setup0.exe", "0"));
    PostQuitMessage(0);
    EXPECT_EQ(DoRunStubWin(run), static_cast<unsigned long>(kExitFailed));
}
