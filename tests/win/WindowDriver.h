// Looking at windows in the Windows tests, and driving a modal window of this thread (a
// message box, a dialog) while the code under test shows it: a thread timer that the window's own loop dispatches runs
// the next step on each tick once a visible window of the class is up; a step returns false to be tried again on the
// next tick. A window still open after a few seconds is closed and the run marked forced.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using Step = std::function<bool(HWND window)>;

// A child window's rectangle in its parent's client coordinates.
inline RECT RectIn(HWND child, HWND parent)
{
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

template <class R> struct WindowOutcome {
    R result;
    bool forced;
    bool allStepsRan;
};

namespace window_driver {

struct Driver {
    std::string className;
    std::vector<Step> steps;
    std::size_t next = 0;
    int ticks = 0;
    bool forced = false;
};
inline Driver* g_driver = nullptr;

struct Search {
    const std::string* className;
    HWND found;
};

inline BOOL CALLBACK Keep(HWND w, LPARAM out)
{
    Search& s = *reinterpret_cast<Search*>(out);
    char name[64] = {};
    ::GetClassNameA(w, name, sizeof(name));
    if (*s.className != name || !::IsWindowVisible(w))
        return TRUE;
    s.found = w;
    return FALSE;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

} // namespace window_driver

// Only this thread's window: other programs under the same display may show theirs.
inline HWND FindThreadWindow(const std::string& className)
{
    window_driver::Search s{&className, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), window_driver::Keep, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

inline void CALLBACK window_driver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Driver& d = *g_driver;
    const HWND window = FindThreadWindow(d.className);
    if (!window)
        return;
    if (++d.ticks > 150) {
        d.forced = true;
        ::PostMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    if (d.next < d.steps.size() && d.steps[d.next](window))
        ++d.next;
}

// A step that looks at the window and is done.
inline Step Check(std::function<void(HWND window)> check)
{
    return [check](HWND window) {
        check(window);
        return true;
    };
}

// A step that asks the window to close, as its close box does.
inline Step Close()
{
    return [](HWND window) { return ::PostMessageA(window, WM_CLOSE, 0, 0) != 0; };
}

template <class Show>
auto DriveWindow(const std::string& className, std::vector<Step> steps, Show&& show) -> WindowOutcome<decltype(show())>
{
    window_driver::Driver driver{className, std::move(steps)};
    window_driver::Driver* outer = window_driver::g_driver;
    window_driver::g_driver = &driver;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, window_driver::Tick);
    const auto result = show();
    ::KillTimer(nullptr, timer);
    // A tick that was already queued must not reach the next driver.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    window_driver::g_driver = outer;
    return {result, driver.forced, driver.next == driver.steps.size()};
}
