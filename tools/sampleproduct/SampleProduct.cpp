// Sample product: a small program for the update agent to find and stop, used by the
// tests and as a sample for suite authors.
//
//   SampleProduct.exe [/Refuse] [/Ignore] [/Invisible] [/Record=FILE]
//
// It shows a main window "Sample Product" that owns a second window "Sample Product
// Tools". By default WM_CLOSE closes it. /Refuse refuses WM_CLOSE (WM_QUIT still ends
// it); /Ignore refuses WM_CLOSE and carries on after WM_QUIT, so only ending the process
// stops it; /Invisible shows only two invisible, untitled windows that own nothing.
// /Record= appends one line per event: "start" with the command line (so a restart
// shows what it was given), "close" and "quit" with the message's parameters and the
// time ("close wParam=15 lParam=255 at 10-DEC-2026 14:39:33"), and "end".
#include <windows.h>

#include <string>

#include "util/CommandLineWin.h"
#include "util/FilesWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

const char kClass[] = "KSampleProduct";

bool g_refuseClose = false;
std::string g_record;

// A record that cannot be written shows as a missing line in the test that reads it.
void Record(const std::string& line)
{
    if (!g_record.empty())
        static_cast<void>(AppendText(g_record, line + "\r\n", 0));
}

std::string Received(const char* what, WPARAM wParam, LPARAM lParam)
{
    return std::string(what) + " wParam=" + std::to_string(wParam) + " lParam=" + std::to_string(lParam) + " at " +
           DateTimeText(LocalNow());
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        switch (message) {
        case WM_CLOSE:
            Record(Received("close", wParam, lParam));
            if (!g_refuseClose)
                DestroyWindow(window);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        }
    } catch (...) {
        // Nothing may leave a window procedure; a lost record line is all that is lost.
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND Create(const char* title, DWORD style, HWND owner, int x)
{
    return CreateWindowExA(0, kClass, title, style, x, 100, 320, 200, owner, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_record = SwitchValue("/Record=", "");
    g_refuseClose = HasSwitch("/Refuse") || HasSwitch("/Ignore");
    const bool ignoreQuit = HasSwitch("/Ignore");
    Record("start " + RawCommandLine());

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClass;
    if (!RegisterClassA(&wc))
        return 1;

    if (HasSwitch("/Invisible")) {
        if (!Create("", WS_POPUP, nullptr, 100) || !Create("", WS_POPUP, nullptr, 200))
            return 1;
    } else {
        const HWND main = Create("Sample Product", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100);
        if (!main || !Create("Sample Product Tools", WS_POPUP | WS_CAPTION | WS_VISIBLE, main, 460))
            return 1;
    }

    MSG msg;
    for (;;) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            Record(Received("quit", msg.wParam, msg.lParam));
            if (ignoreQuit)
                continue;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Record("end");
    return 0;
}
