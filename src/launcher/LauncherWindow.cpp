#include "launcher/LauncherWindow.h"

#include <commctrl.h>

#include "agent/AgentRequest.h"
#include "launcher/RunContext.h"
#include "net/InetHTTP.h"
#include "payload/AppearanceWin.h"
#include "payload/WorkFolder.h"
#include "ui/KProgBar.h"
#include "ui/ReadingDirection.h"
#include "util/KDebug.h"
#include "util/MessagePump.h"
#include "util/SysUtilsWin.h"
#include "util/WindowProc.h"

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

HWND Child(const char* cls, DWORD style, int left, const RECT& at, HWND parent)
{
    return CreateWindowExA(0, cls, "", WS_CHILD | style, left, at.top, at.right - at.left, at.bottom - at.top, parent,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

} // namespace

LauncherWindow::LauncherWindow(const RunContext& run, WindowHandlers handlers)
    : handlers_(std::move(handlers)), rightToLeft_(IsRightToLeftCharset(run.own.Charset()))
{
    const HINSTANCE inst = GetModuleHandleA(nullptr);
    // No background brush: the window paints its own.
    RegisterObjectClass<LauncherWindow>(run.windowClass.c_str(), CS_DBLCLKS, nullptr, LoadIconA(inst, "MainIcon"));

    const TGFileInfo& info = run.own;
    const std::string title = info.LocalizedText("s0", "Kalvex Installation Suite");
    const POINT at = CenterInWorkArea(kWindowSize.cx, kWindowSize.cy);
    ClearDownloadAbort();
    window_ = CreateWindowExA(0, run.windowClass.c_str(), title.c_str(), WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                              at.x, at.y, kWindowSize.cx, kWindowSize.cy, nullptr, nullptr, inst, this);
    SetMsgBoxFont(info.FontName(), info.FontSize(), static_cast<std::uint8_t>(info.Charset()));
}

LauncherWindow::~LauncherWindow()
{
    if (label_)
        SetProgressBars(nullptr, nullptr);
    if (IsWindow(window_)) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void LauncherWindow::Run()
{
    if (window_) {
        Hide();
        PumpMessages(destroyed_, OnQuit::End);
        KillTimer(window_, kTimerId);
    }
    // The handlers may hold the run's state, which ends with this call.
    handlers_ = WindowHandlers{};
    RequestDownloadAbort();
    HTTP_UnloadWinInet();
    Notify(NotifyLoopEnded, 0);
}

// The controls and the common controls library are made when the window is first shown:
// an agent that stays hidden for the whole session never pays for them.
void LauncherWindow::EnsureControls()
{
    if (label_)
        return;
    InitSystemCommonControls(ICC_PROGRESS_CLASS);
    label_ = Child("Static", WS_VISIBLE, rightToLeft_ ? kLabelLeftRtl : kLabel.left, kLabel, window_);
    mainBar_ = Child(PROGRESS_CLASSA, WS_VISIBLE, kMainBar.left, kMainBar, window_);
    activityBar_ = Child(PROGRESS_CLASSA, activityShown_ ? WS_VISIBLE : 0,
                         rightToLeft_ ? kActivityBarLeftRtl : kActivityBar.left, kActivityBar, window_);
    SetProgressBars(mainBar_, activityBar_);
    if (labelText_.set) {
        labelFont_ =
            DressTextControl(label_, labelText_.text, labelText_.fontName, labelText_.charset, labelText_.fontSize);
    } else {
        labelFont_.reset(CreateFontA(kLabelFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                     "Tahoma"));
        SendMessageA(label_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);
    }
}

void LauncherWindow::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window_, &ps);
    RECT rc;
    GetClientRect(window_, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MainIcon"))
        DrawIcon(dc, kIconAt.x, kIconAt.y, icon);
    EndPaint(window_, &ps);
}

bool LauncherWindow::OnMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_NCCREATE: window_ = window; return false;
    case WM_CREATE: SetTimer(window, kTimerId, kTimerMs, nullptr); return false;
    case WM_SHOWWINDOW:
        if (wParam)
            EnsureControls();
        return false;
    case WM_PAINT: Paint(); return true;
    case WM_CLOSE: return !Close();
    case WM_DESTROY:
        TraceLine("- wm_Destroy -");
        Destroy();
        return false;
    case WM_QUIT:
        TraceLine("- wm_Quit -");
        Destroy();
        return false;
    case WM_TIMER:
        if (handlers_.tick)
            handlers_.tick(*this);
        return false;
    case wm_ShutDown:
        if (handlers_.shutDown)
            handlers_.shutDown(static_cast<int>(wParam));
        return false;
    case wm_LocalMsg:
        notifyWindow_ = reinterpret_cast<HWND>(wParam);
        notifyMessage_ = static_cast<UINT>(lParam);
        Notify(NotifyWindow, reinterpret_cast<LPARAM>(window));
        Notify(NotifyAgentMessage, wm_AgentMsg);
        return false;
    case wm_AgentMsg:
        // 32-bit on every build: the low halves in, the answer sign-extended out.
        result = handlers_.request ? static_cast<LRESULT>(handlers_.request(static_cast<std::uint32_t>(wParam),
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

void LauncherWindow::SetLabel(const std::string& text, const std::string& fontName, int charset, int fontSize)
{
    labelText_ = Label{true, text, fontName, charset, fontSize};
    if (label_)
        labelFont_ = DressTextControl(label_, text, fontName, charset, fontSize);
}

void LauncherWindow::ShowActivityBar()
{
    activityShown_ = true;
    if (activityBar_)
        ShowWindow(activityBar_, SW_SHOW);
}

void LauncherWindow::Show()
{
    if (window_) {
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
    }
}

void LauncherWindow::Hide()
{
    if (window_)
        ShowWindow(window_, SW_HIDE);
}

bool LauncherWindow::Close()
{
    WriteUpdateLog(".. CloseMainWindow() - Start");
    const bool wasSet = DownloadAbortRequested();
    RequestDownloadAbort();
    WriteUpdateLog(".. CloseMainWindow() - End");
    return wasSet;
}

void LauncherWindow::Destroy()
{
    WriteUpdateLog(".. DestroyMainWindow() - Start");
    RequestDownloadAbort();
    RemoveWorkFolder();
    PostQuitMessage(0);
    destroyed_ = true;
    WriteUpdateLog(".. DestroyMainWindow() - End");
}

void LauncherWindow::Notify(int code, LPARAM value) const
{
    if (notifyWindow_ && notifyMessage_)
        PostMessageA(notifyWindow_, notifyMessage_, static_cast<WPARAM>(code), value);
}
