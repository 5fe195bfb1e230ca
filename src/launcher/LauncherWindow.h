// The launcher window: the progress window of the setup run, the one-second timer that
// drives all work, and the window procedure that other launcher processes talk to. It
// knows neither mode: the mode that runs gives it its handlers when it is made. Its state
// lives in the object, which the window procedure reaches through the window's user data.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/KMsgBox.h"
#include "util/ScopedWin.h"

struct RunContext;
class LauncherWindow;

// Messages between launcher processes.
constexpr UINT wm_ShutDown = WM_USER + 99;
constexpr UINT wm_LocalMsg = WM_USER + 100;
constexpr UINT wm_AgentMsg = WM_USER + 101;

// What the running mode does with the window's events. An empty handler ignores its
// event (a request then answers 0). An exception out of a handler is traced and goes
// no further: the window and its timer carry on.
struct WindowHandlers {
    std::function<void(LauncherWindow&)> tick;                        // every timer message
    std::function<std::int32_t(std::uint32_t, std::int32_t)> request; // wm_AgentMsg: code, value
    std::function<void(int)> shutDown;                                // wm_ShutDown: the countdown
};

class LauncherWindow {
public:
    // The name the trace gives an exception out of the window procedure.
    static constexpr const char* kProcName = "LauncherWindowProc";

    // Registers the run's window class and creates the hidden, centred main window with
    // its timer, titled and dressed from the run's descriptor. A new window starts with
    // no close request of an earlier one.
    LauncherWindow(const RunContext& run, WindowHandlers handlers);
    // The window goes with its object, without the steps of a destroyed launcher window
    // (those belong to a close request).
    ~LauncherWindow();
    LauncherWindow(const LauncherWindow&) = delete;
    LauncherWindow& operator=(const LauncherWindow&) = delete;

    HWND Handle() const { return window_; }
    // Runs the message loop until the window is destroyed or a quit message arrives; then
    // stops downloads, frees the HTTP client's library and notifies that the loop ended.
    void Run();

    // The view the modes use. The label above the main bar, dressed in the payload's
    // font and reading direction; the controls are made when the window is first shown.
    void SetLabel(const std::string& text, const std::string& fontName, int charset, int fontSize);
    void ShowActivityBar();
    // Shown and brought to the front, or hidden.
    void Show();
    void Hide();
    // The boxes of the run belong to the window.
    BoxOwner Owner() const { return BoxOwner::Window(window_); }

    // Posts (code, value) to the registered notify window, if any.
    void Notify(int code, LPARAM value) const;

    bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    // The label's text and font, kept for controls that do not exist yet.
    struct Label {
        bool set = false;
        std::string text, fontName;
        int charset = 0, fontSize = 0;
    };

    void EnsureControls();
    void Paint();
    // First close request: stop a running download and keep the window; later ones close it.
    bool Close();
    // Stops downloads, deletes the work folder and ends the message loop.
    void Destroy();

    WindowHandlers handlers_;
    bool rightToLeft_ = false;
    HWND window_ = nullptr;
    HWND label_ = nullptr;
    HWND mainBar_ = nullptr;
    HWND activityBar_ = nullptr;
    ScopedFont labelFont_;
    Label labelText_;
    bool activityShown_ = false;
    bool destroyed_ = false;
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
};
