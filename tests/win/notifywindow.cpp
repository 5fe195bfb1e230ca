// Test helper: a notify window for an update agent. Prints "window=HWND message=MSG" (both
// decimal, for the plain agent's "/WM_MSG=HWND:MSG"), then one line "notify CODE VALUE"
// per notification it receives, and ends when the agent's loop has ended (code 43) or
// after SECONDS.
//   notifywindow [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT kNotifyMessage = WM_APP + 7;
constexpr WPARAM kLoopEnded = 43;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kNotifyMessage) {
        std::printf("notify %u %ld\n", static_cast<unsigned>(wParam), static_cast<long>(lParam));
        std::fflush(stdout);
        if (wParam == kLoopEnded)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    const UINT limit = (argc > 1 ? std::atoi(argv[1]) : 60) * 1000u;
    WNDCLASSA cls = {};
    cls.lpfnWndProc = Procedure;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "KNotifyWindowProbe";
    if (!RegisterClassA(&cls))
        return 2;
    HWND window = CreateWindowA(cls.lpszClassName, "notify probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                cls.hInstance, nullptr);
    if (!window)
        return 2;
    std::printf("window=%lu message=%u\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)),
                kNotifyMessage);
    std::fflush(stdout);
    SetTimer(window, 1, limit, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == window)
            break;
        DispatchMessageA(&msg);
    }
    DestroyWindow(window);
    return 0;
}
