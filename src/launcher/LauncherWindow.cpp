#include "launcher/LauncherWindow.h"

#include <commctrl.h>

#include "net/InetHTTP.h"
#include "launcher/RunContext.h"
#include "payload/AppearanceWin.h"
#include "payload/WorkFolder.h"
#include "ui/KMsgBox.h"
#include "ui/KProgBar.h"
#include "ui/ReadingDirection.h"
#include "util/Guard.h"
#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"

namespace {

// Geometry in pixels: the outer size, then client positions (left to right reading;
// right to left moves the label and the activity bar).
constexpr SIZE kWindowSize = {492, 110};
constexpr POINT kIconAt = {18, 20};
constexpr RECT kLabel = {70, 20, 70 + 340, 20 + 18};
constexpr int kLabelLeftRtl = 122;
constexpr RECT kMainBar = {70, 38, 70 + 392, 38 + 13};
constexpr RECT kActivityBar = {416, 20, 416 + 46, 20 + 13};
constexpr int kActivityBarLeftRtl = 70;
constexpr int kLabelFontHeight = -11;
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 1000;

HWND g_main = nullptr;
HWND g_label = nullptr;
HWND g_mainBar = nullptr;
HWND g_activityBar = nullptr;
bool g_destroyed = false;
HWND g_notifyWindow = nullptr;
UINT g_notifyMessage = 0;
ScopedFont g_labelFont;
WindowHandlers g_handlers;
bool g_rightToLeft = false;

HWND Child(const char* cls, DWORD style, int left, const RECT& at, HWND parent)
{
    return CreateWindowExA(0, cls, "", WS_CHILD | style, left, at.top, at.right - at.left, at.bottom - at.top,
                           parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// The label's text and font, kept for controls that do not exist yet.
struct Label {
    bool set = false;
    std::string text, fontName;
    int charset = 0, fontSize = 0;
};
Label g_labelText;
bool g_activityShown = false;

// The controls and the common controls library are made when the window is first shown:
// an agent that stays hidden for the whole session never pays for them.
void EnsureControls(HWND wnd)
{
    if (g_label)
        return;
    InitSystemCommonControls(ICC_PROGRESS_CLASS);
    g_label = Child("Static", WS_VISIBLE, g_rightToLeft ? kLabelLeftRtl : kLabel.left, kLabel, wnd);
    g_mainBar = Child(PROGRESS_CLASSA, WS_VISIBLE, kMainBar.left, kMainBar, wnd);
    g_activityBar = Child(PROGRESS_CLASSA, g_activityShown ? WS_VISIBLE : 0,
                          g_rightToLeft ? kActivityBarLeftRtl : kActivityBar.left, kActivityBar, wnd);
    SetProgressBars(g_mainBar, g_activityBar);
    if (g_labelText.set) {
        g_labelFont = DressTextControl(g_label, g_labelText.text, g_labelText.fontName, g_labelText.charset,
                                       g_labelText.fontSize);
    } else {
        g_labelFont.reset(CreateFontA(kLabelFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                      "Tahoma"));
        SendMessageA(g_label, WM_SETFONT, reinterpret_cast<WPARAM>(g_labelFont.get()), FALSE);
    }
}

void Paint(HWND wnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MainIcon"))
        DrawIcon(dc, kIconAt.x, kIconAt.y, icon);
    EndPaint(wnd, &ps);
}

// One message; false leaves it to the default processing.
bool Dispatch(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_CREATE:
        SetTimer(wnd, kTimerId, kTimerMs, nullptr);
        return false;
    case WM_SHOWWINDOW:
        if (wParam)
            EnsureControls(wnd);
        return false;
    case WM_PAINT:
        Paint(wnd);
        return true;
    case WM_CLOSE:
        return !CloseMainWindow();
    case WM_DESTROY:
        TraceLine("- wm_Destroy -");
        DestroyMainWindow();
        return false;
    case WM_QUIT:
        TraceLine("- wm_Quit -");
        DestroyMainWindow();
        return false;
    case WM_TIMER:
        if (g_handlers.tick)
            g_handlers.tick(wnd);
        return false;
    case wm_ShutDown:
        if (g_handlers.shutDown)
            g_handlers.shutDown(static_cast<int>(wParam));
        return false;
    case wm_LocalMsg:
        g_notifyWindow = reinterpret_cast<HWND>(wParam);
        g_notifyMessage = static_cast<UINT>(lParam);
        Notify(NotifyWindow, reinterpret_cast<LPARAM>(wnd));
        Notify(NotifyAgentMessage, wm_AgentMsg);
        return false;
    case wm_AgentMsg:
        // 32-bit on every build: the low halves in, the answer sign-extended out.
        result = g_handlers.request ? static_cast<LRESULT>(g_handlers.request(static_cast<std::uint32_t>(wParam),
                                                                              static_cast<std::int32_t>(lParam)))
                                    : 0;
        return true;
    default:
        if (msg != 0 && msg == AutoPlayMessage()) {
            result = 1;
            return true;
        }
        return false;
    }
}

} // namespace

HWND MainWindow() { return g_main; }

void SetMainLabel(const std::string& text, const std::string& fontName, int charset, int fontSize)
{
    g_labelText = Label{true, text, fontName, charset, fontSize};
    if (g_label)
        g_labelFont = DressTextControl(g_label, text, fontName, charset, fontSize);
}

void ShowActivityBar()
{
    g_activityShown = true;
    if (g_activityBar)
        ShowWindow(g_activityBar, SW_SHOW);
}

void ShowMainWindow()
{
    if (g_main) {
        ShowWindow(g_main, SW_SHOW);
        SetForegroundWindow(g_main);
    }
}

void HideMainWindow()
{
    if (g_main)
        ShowWindow(g_main, SW_HIDE);
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
    LRESULT result = 0;
    bool handled = false;
    Guarded("LauncherWindowProc", [&] { handled = Dispatch(wnd, msg, wParam, lParam, result); });
    return handled ? result : DefWindowProcA(wnd, msg, wParam, lParam);
}

HWND CreateLauncherWindow(const RunContext& run, WindowHandlers handlers)
{
    const HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LauncherWindowProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, "MainIcon");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = run.windowClass.c_str();
    RegisterClassA(&wc);

    const TGFileInfo& info = run.own;
    const std::string title = info.LocalizedText("s0", "Kalvex Installation Suite");
    const POINT at = CenterInWorkArea(kWindowSize.cx, kWindowSize.cy);
    // A new window starts with no close request of an earlier one, and makes its own controls.
    g_destroyed = false;
    g_label = g_mainBar = g_activityBar = nullptr;
    SetProgressBars(nullptr, nullptr);
    g_labelFont.reset();
    g_labelText = Label{};
    g_activityShown = false;
    ClearDownloadAbort();
    g_handlers = std::move(handlers);
    g_rightToLeft = IsRightToLeftCharset(info.Charset());
    g_main = CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, at.x,
                             at.y, kWindowSize.cx, kWindowSize.cy, nullptr, nullptr, inst, nullptr);
    SetMsgBoxFont(info.FontName(), info.FontSize(), static_cast<std::uint8_t>(info.Charset()));
    return g_main;
}

void RunLauncherWindow(const RunContext& run, WindowHandlers handlers)
{
    if (CreateLauncherWindow(run, std::move(handlers))) {
        HideMainWindow();
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (g_destroyed)
                break;
        }
        KillTimer(g_main, kTimerId);
    }
    // The handlers may hold the run's state, which ends with this call.
    g_handlers = WindowHandlers{};
    RequestDownloadAbort();
    HTTP_UnloadWinInet();
    Notify(NotifyLoopEnded, 0);
}
