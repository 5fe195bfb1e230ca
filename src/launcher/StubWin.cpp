#include "launcher/StubWin.h"

#include <commctrl.h>

#include "agent/InetHTTP.h"
#include "agent/StubAU.h"
#include "agent/StubAUInfoFiles.h"
#include "util/FilesWin.h"
#include "launcher/Stub.h"
#include "launcher/StubSetup.h"
#include "payload/AppearanceWin.h"
#include "payload/GFileInfo.h"
#include "payload/WorkFolder.h"
#include "ui/KMsgBox.h"
#include "ui/KProgBar.h"
#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/UtilsWin.h"

namespace {

constexpr int kWidth = 492;
constexpr int kHeight = 110;
constexpr UINT_PTR kTimerId = 1;

HWND g_main = nullptr;
HWND g_label = nullptr;
HWND g_mainBar = nullptr;
HWND g_activityBar = nullptr;
bool g_destroyed = false;
HWND g_notifyWindow = nullptr;
UINT g_notifyMessage = 0;
ScopedFont g_labelFont;

bool RightToLeft(int charset) { return charset == 177 || charset == 178; }

void CreateControls(HWND wnd)
{
    const HINSTANCE inst = GetModuleHandleA(nullptr);
    const bool rtl = RightToLeft(OwnInfo().Charset());
    g_label = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, rtl ? 122 : 70, 20, 340, 18, wnd, nullptr,
                              inst, nullptr);
    g_mainBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 70, 38, 392, 13, wnd, nullptr, inst,
                                nullptr);
    g_activityBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, rtl ? 70 : 416, 20, 46, 13, wnd, nullptr,
                                    inst, nullptr);
    SetProgressBars(g_mainBar, g_activityBar);
    SetTimer(wnd, kTimerId, 1000, nullptr);
    g_labelFont.reset(CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Tahoma"));
    SendMessageA(g_label, WM_SETFONT, reinterpret_cast<WPARAM>(g_labelFont.get()), FALSE);
}

void Paint(HWND wnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MainIcon"))
        DrawIcon(dc, 18, 20, icon);
    EndPaint(wnd, &ps);
}

// Requests and their values are 32-bit on every build: a 64-bit build reads the low
// halves of wParam and lParam and answers with the low half of a 64-bit value,
// sign-extended, as a 32-bit build does.
LRESULT Low32(std::int64_t value) { return static_cast<LRESULT>(static_cast<std::int32_t>(value)); }

LRESULT AgentRequest(WPARAM wParam, LPARAM lParam)
{
    AgentState& agent = Agent();
    const std::uint32_t code = static_cast<std::uint32_t>(wParam);
    const std::int32_t value = static_cast<std::int32_t>(lParam);
    switch (code) {
    case 4: return Low32(ReadInfoInt(Keys::VersionOriginal));
    case 5: return Low32(ReadInfoInt(Keys::VersionNew));
    case 7: return Low32(agent.state);
    case 8: return Low32(ReadInfoInt(Keys::ProbeSecondsInterval));
    case 9: return Low32(ReadInfoInt(Keys::ReAskSecondsInterval));
    case 10: return Low32(ReadInfoInt(Keys::ProbeSecondsLast));
    case 11: return Low32(ReadInfoInt(Keys::ReAskSecondsLast));
    case 12: WriteInfoInt(Keys::ProbeSecondsInterval, value); return 0;
    case 13: WriteInfoInt(Keys::ReAskSecondsInterval, value); return 0;
    case 14: WriteInfoSeconds(Keys::ProbeSecondsLast, value); return 0;
    case 15: WriteInfoSeconds(Keys::ReAskSecondsLast, value); return 0;
    case 20: case 21: case 22: case 23: case 24: case 25:
        AgentOverrides()[code - 20] = static_cast<std::uint8_t>(value & 0xFF);
        return 0;
    case 30: agent.shutdownCountdown = value; return 0;
    case 31:
        agent.checkNow = true;
        if (agent.timerCount < 1)
            agent.timerCount = 1;
        if (value == 2)
            agent.mode = 2;
        return 0;
    case 32: agent.justDownloadInfoFile = true; return 0;
    default: return 0;
    }
}

} // namespace

HWND MainWindow() { return g_main; }

void SetMainLabel(const std::string& text, const std::string& fontName, int charset, int fontSize)
{
    if (g_label)
        DressTextControl(g_label, text, fontName, charset, fontSize);
}

void ShowActivityBar()
{
    if (g_activityBar)
        ShowWindow(g_activityBar, SW_SHOW);
}

bool CloseMainWindow()
{
    WriteUpdateLog(".. CloseMainWindow() - Start");
    const bool wasSet = DownloadAbortRequested();
    RequestDownloadAbort();
    WriteUpdateLog(".. CloseMainWindow() - End");
    return wasSet;
}

void DestroyMainWindow()
{
    WriteUpdateLog(".. DestroyMainWindow() - Start");
    RequestDownloadAbort();
    RemoveWorkFolder();
    PostQuitMessage(0);
    g_destroyed = true;
    WriteUpdateLog(".. DestroyMainWindow() - End");
}

void Notify(int code, LPARAM value)
{
    if (g_notifyWindow && g_notifyMessage)
        PostMessageA(g_notifyWindow, g_notifyMessage, static_cast<WPARAM>(code), value);
}

LRESULT CALLBACK LauncherWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        CreateControls(wnd);
        break;
    case WM_PAINT:
        Paint(wnd);
        return 0;
    case WM_CLOSE:
        if (!CloseMainWindow())
            return 0;
        break;
    case WM_DESTROY:
        TraceLine("- wm_Destroy -");
        DestroyMainWindow();
        break;
    case WM_QUIT:
        TraceLine("- wm_Quit -");
        DestroyMainWindow();
        break;
    case WM_TIMER:
        if (IsAgentRun())
            AgentTimerTick(wnd);
        else
            SetupTick(wnd);
        break;
    case wm_ShutDown:
        Agent().shutdownCountdown = static_cast<int>(wParam);
        break;
    case wm_LocalMsg:
        g_notifyWindow = reinterpret_cast<HWND>(wParam);
        g_notifyMessage = static_cast<UINT>(lParam);
        Notify(NotifyWindow, reinterpret_cast<LPARAM>(wnd));
        Notify(NotifyAgentMessage, wm_AgentMsg);
        break;
    case wm_AgentMsg:
        return AgentRequest(wParam, lParam);
    default:
        if (msg != 0 && msg == AutoPlayMessage())
            return 1;
        break;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND CreateLauncherWindow()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    const HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LauncherWindowProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, "MainIcon");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = OwnWindowClass().c_str();
    RegisterClassA(&wc);

    const TGFileInfo& info = OwnInfo();
    const std::string title = info.LocalizedText("s0", "Kalvex Installation Suite");
    const POINT at = CenterInWorkArea(kWidth, kHeight);
    // A new window starts with no close request of an earlier one.
    g_destroyed = false;
    ClearDownloadAbort();
    g_main = CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, at.x,
                             at.y, kWidth, kHeight, nullptr, nullptr, inst, nullptr);
    SetMsgBoxFont(info.FontName(), info.FontSize(), static_cast<std::uint8_t>(info.Charset()));
    return g_main;
}

void RunLauncherWindow()
{
    const int64_t sleepX = SwitchInt("/SleepX=", -1);
    if (sleepX >= 0)
        Agent().timerCount = -static_cast<int>(sleepX);

    if (CreateLauncherWindow()) {
        ShowWindow(g_main, SW_HIDE);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (g_destroyed)
                break;
        }
        KillTimer(g_main, kTimerId);
    }
    RequestDownloadAbort();
    Notify(NotifyLoopEnded, 0);
}
