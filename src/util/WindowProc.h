// The one window procedure of the launcher's own windows. Each window is an object that
// the procedure reaches through the window's user data (set from the creation parameter
// when the window is made, cleared when it is gone), so no window keeps its state at file
// scope. No exception leaves the procedure: one that a message raises is traced under the
// object's name and the message gets the default processing.
//
//   struct MyWindow {
//       static constexpr const char* kProcName = "MyWindowProc";  // in the trace line
//       // true when the message was handled; result is its answer
//       bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
//   };
//   CreateWindowExA(..., ObjectWindowProc<MyWindow> as the class's procedure, ..., &object);
#pragma once

#include <windows.h>

#include "util/Guard.h"

template <class Object>
Object* WindowObject(HWND window)
{
    return reinterpret_cast<Object*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

template <class Object>
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    Object* object = WindowObject<Object>(window);
    // Messages after the last one reach no object, which may be gone by then.
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    LRESULT result = 0;
    bool handled = false;
    if (object && !Guarded(Object::kProcName,
                           [&] { handled = object->OnMessage(window, message, wParam, lParam, result); }))
        handled = false;
    return handled ? result : ::DefWindowProcA(window, message, wParam, lParam);
}
