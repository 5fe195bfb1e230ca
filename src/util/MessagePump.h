// The one message loop of the launcher's windows: the launcher window's, the inform
// dialog's and the message box's. It gets and dispatches this thread's messages until
// its window says it is done.
#pragma once

#include <windows.h>

// What a loop does with a quit request (WM_QUIT) that arrives while it runs.
enum class OnQuit {
    End,          // the loop ends: the program's outermost loop
    EndAndRepost, // the loop ends, and the request stays for the loop around it
    Defer,        // the loop goes on (a box waits for its answer); the request is posted
                  // again once it has ended, so that no quit is lost
};

// Uses a message up before it is dispatched (a box's keys): true when it did.
using MessageFilter = bool (*)(void* context, const MSG& msg);

// Runs until done is set before the next message, a quit request ends it, or the system's
// queue fails. The window's procedure sets done.
void PumpMessages(const bool& done, OnQuit onQuit, MessageFilter filter = nullptr, void* context = nullptr);
