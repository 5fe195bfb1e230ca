// Shows one sample of the launcher's windows so that scripts/render-ui can photograph it:
//   uishots SAMPLE RECTFILE
// Once the window is up, its screen rectangle "x y width height" is written to RECTFILE;
// the window closes by itself a few seconds later.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "agent/InformDialogWin.h"
#include "ui/KMsgBox.h"
#include "ui/KProgBar.h"
#include "ui/MsgBoxLayout.h"
#include "util/SysUtilsWin.h"

namespace {

constexpr int kShowMs = 4000;
std::string g_rectFile;

void WriteRect(HWND window)
{
    RECT r;
    ::GetWindowRect(window, &r);
    if (FILE* f = std::fopen(g_rectFile.c_str(), "w")) {
        std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(f);
    }
}

// Reports the box's rectangle once it has been laid out and painted.
void CALLBACK ReportBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (HWND box = ::FindWindowA("KMsgBox", nullptr)) {
        ::KillTimer(nullptr, timer);
        WriteRect(box);
    }
}

int ShowBox(const std::string& sample)
{
    ::SetTimer(nullptr, 0, 500, ReportBox);
    const std::string buttons = kDefaultButtonList;
    if (sample == "plain")
        return MsgBox(BoxOwner::Active(), "The setup files have been unpacked.<P>Press OK to start the installation.",
                      "Attention", buttons, 0, MB_OK | MB_ICONEXCLAMATION, kShowMs);
    if (sample == "bold")
        return MsgBox(BoxOwner::ActiveWithHeading(),
                      "There is not enough free space on drive <B>C:</B> for the setup files.<P>"
                      "Free at least <b>120 MB</b> and press <B>Retry</B>, or press <B>Cancel</B> to stop.",
                      "Error", buttons, 0, MB_RETRYCANCEL | MB_ICONHAND, kShowMs);
    if (sample == "yesno")
        return MsgBox(BoxOwner::Active(),
                      "A new version is available.<P><P>Do you want to download and install it now?", "Confirm",
                      buttons, 0, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, kShowMs);
    if (sample == "rtl")
        return MsgBox(BoxOwner::Active(),
                      "Right-to-left layout: this text is right aligned.<P>Its reading order runs right to left.",
                      "Attention", buttons, 177, MB_OKCANCEL | MB_ICONASTERISK, kShowMs);
    if (sample == "wrap")
        return MsgBox(BoxOwner::Active(),
                      "This single line is far longer than six hundred pixels, so the box lays it out at its "
                      "width limit and the text area wraps it onto a second line instead of growing wider "
                      "and wider across the screen.",
                      "Attention", buttons, 0, MB_OK | MB_ICONASTERISK, kShowMs);
    return -1;
}

// The inform dialog closes itself like the boxes do.
void CALLBACK CloseInform(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    if (HWND dialog = ::FindWindowA(kInformDialogClass, nullptr))
        ::PostMessageA(dialog, WM_CLOSE, 0, 0);
}

void CALLBACK ReportInform(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (HWND dialog = ::FindWindowA(kInformDialogClass, nullptr)) {
        ::KillTimer(nullptr, timer);
        WriteRect(dialog);
        ::SetTimer(nullptr, 0, kShowMs, CloseInform);
    }
}

// An announcement: an RTF body with the download button, or plain text without.
int ShowInform(const std::string& sample)
{
    InformDialogParams p;
    p.title = "New Version";
    p.buttonCaption = "Download";
    p.width = 460;
    p.height = 340;
    if (sample == "inform") {
        p.body = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Verdana;}}\\f0\\fs20 "
                 "{\\b\\fs28 Sample Product 2.0 is available\\par}\\par "
                 "What is new:\\par "
                 "\\bullet  {\\i Faster} start-up\\par "
                 "\\bullet  Reports can be printed\\par\\par "
                 "Press {\\b Download} to get it from the product's web site.\\par}";
        p.address = "https://127.0.0.1/download";
    } else {
        p.body = "Sample Product 2.0 is available.\r\n\r\n"
                 "Ask your administrator for the new setup; this dialog only tells you about it.";
    }
    ::SetTimer(nullptr, 0, 500, ReportInform);
    return ShowInformDialog(p) ? 0 : 2;
}

// The launcher window's progress layout: icon, label, main bar and activity bar.
HWND g_label = nullptr;

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        const HDC dc = ::BeginPaint(window, &ps);
        RECT client;
        ::GetClientRect(window, &client);
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
        ::DrawIcon(dc, 18, 20, ::LoadIconA(::GetModuleHandleA(nullptr), "MainIcon"));
        ::EndPaint(window, &ps);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void ShowLabel(TProgBar&, int kind, int, int, const std::string& text)
{
    if (kind == 5 || kind == 2)
        ::SetWindowTextA(g_label, text.c_str());
}

int ShowProgress()
{
    ::InitCommonControls();
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ProgressProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "UiShotsProgress";
    ::RegisterClassA(&wc);
    const POINT at = CenterInWorkArea(492, 110);
    const HWND window =
        ::CreateWindowExA(0, wc.lpszClassName, "Installation Suite", WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, at.x,
                          at.y, 492, 110, nullptr, nullptr, instance, nullptr);
    g_label =
        ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 70, 20, 340, 18, window, nullptr, instance, nullptr);
    const HFONT font = ::CreateFontA(-11, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, "Tahoma");
    ::SendMessageA(g_label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const HWND mainBar = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 70, 38, 392, 13, window,
                                           nullptr, instance, nullptr);
    const HWND activityBar = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 416, 20, 46, 13, window,
                                               nullptr, instance, nullptr);
    SetProgressBars(mainBar, activityBar);
    ::ShowWindow(window, SW_SHOW);

    TProgBar& bar = SharedProgBar();
    bar.ProgressHandler = ShowLabel;
    bar.PauseAfterText = 150;
    bar.ReportProgress(3, 10);
    bar.ReportMessage("setup.exe");
    for (int i = 0; i < 4; ++i)
        bar.ReportText("Downloading setup.exe  -  " + std::to_string(120 * (i + 4)) + " KB of 1,200 KB");
    SleepPumping(0, 300);
    WriteRect(window);
    SleepPumping(0, kShowMs);
    SetProgressBars(nullptr, nullptr);
    ::DestroyWindow(window);
    ::DeleteObject(font);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3)
        return 2;
    const std::string sample = __argv[1];
    g_rectFile = __argv[2];
    if (sample == "progress")
        return ShowProgress();
    if (sample == "inform" || sample == "informplain")
        return ShowInform(sample);
    return ShowBox(sample) < 0 ? 2 : 0;
}
