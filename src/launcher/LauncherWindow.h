// The launcher window: the progress window of the setup run, the one-second timer that
// drives all work, and the window procedure that other launcher processes talk to. It
// knows neither mode: the mode that runs gives it its handlers when it is made.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "agent/AgentRequest.h"

struct RunContext;

// Messages between launcher processes.
constexpr UINT wm_ShutDown = WM_USER + 99;
constexpr UINT wm_LocalMsg = WM_USER + 100;
constexpr UINT wm_AgentMsg = WM_USER + 101;

// What the running mode does with the window's events. An empty handler ignores its
// event (a request then answers 0). An exception out of a handler is traced and goes
// no further: the window and its timer carry on.
struct WindowHandlers {
    std::function<void(HWND)> tick;                                    // every timer message
    std::function<std::int32_t(std::uint32_t, std::int32_t)> request;  // wm_AgentMsg: code, value
    std::function<void(int)> shutDown;                                 // wm_ShutDown: the countdown
};

// Creates the window and runs the message loop until the window is destroyed or a quit
// message arrives; then stops downloads and notifies that the loop has ended.
void RunLauncherWindow(const RunContext& run, WindowHandlers handlers);
// Registers the run's window class and creates the hidden, centred main window with its
// controls and timer, titled and dressed from the run's descriptor.
HWND CreateLauncherWindow(const RunContext& run, WindowHandlers handlers);

// The view the modes use.
HWND MainWindow();
// The label above the main bar, dressed in the payload's font and reading direction.
void SetMainLabel(const std::string& text, const std::string& fontName, int charset, int fontSize);
void ShowActivityBar();
// Shown and brought to the front, or hidden.
void ShowMainWindow();
void HideMainWindow();

// First close request: stop a running download and keep the window; later ones close it.
bool CloseMainWindow();
// Stops downloads, deletes the work folder and ends the message loop.
void DestroyMainWindow();

// Posts (code, value) to the registered notify window, if any.
void Notify(int code, LPARAM value);

// Window procedure, exposed for the tests that drive it with messages.
LRESULT CALLBACK LauncherWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
