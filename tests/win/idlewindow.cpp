// Benchmark helper: the smallest windowed program that idles as the update agent does
// (a hidden window, a one-second timer, a message loop) and nothing else. bench/agent-idle
// sets the agent's CPU time and resident memory beside this program's under the same
// Wine, which alone carries some 17 MiB per process. It runs until its process is ended.
#include <windows.h>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 1000;

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER: return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(wnd, msg, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "KIdleWindow";
    if (!RegisterClassA(&wc))
        return 1;
    // Hidden, as the agent's window is.
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "Idle", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                               120, nullptr, nullptr, instance, nullptr);
    if (!wnd || !SetTimer(wnd, kTimerId, kTimerMs, nullptr))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
