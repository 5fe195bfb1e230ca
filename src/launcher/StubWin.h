// The launcher window: the progress window of the setup run, the timer that drives all
// work, and the window procedure that other launcher processes talk to.
#pragma once

#include <windows.h>

#include <string>

// Messages between launcher processes.
constexpr UINT wm_ShutDown = WM_USER + 99;
constexpr UINT wm_LocalMsg = WM_USER + 100;
constexpr UINT wm_AgentMsg = WM_USER + 101;

// Notification codes posted to a registered notify window.
enum NotifyCode : int {
    NotifyCheck = 40,
    NotifyFetch = 41,
    NotifyRunUpdate = 42,
    NotifyLoopEnded = 43,
    NotifyWindow = 50,
    NotifyAgentMessage = 51,
};

// Registers the class, creates the hidden window and runs the message loop until the
// window is destroyed or a quit message arrives.
void RunLauncherWindow();
// Registers the class and creates the hidden, centred main window with its controls and
// timer; titled and dressed from the own descriptor.
HWND CreateLauncherWindow();

HWND MainWindow();
// The label above the main bar, dressed in the payload's font and reading direction.
void SetMainLabel(const std::string& text, const std::string& fontName, int charset, int fontSize);
void ShowActivityBar();

// First close request: stop a running download and keep the window; later ones close it.
bool CloseMainWindow();
// Stops downloads, deletes the work folder and ends the message loop.
void DestroyMainWindow();

// Posts (code, value) to the registered notify window, if any.
void Notify(int code, LPARAM value);

// Window procedure, exposed for the tests that drive it with messages.
LRESULT CALLBACK LauncherWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
