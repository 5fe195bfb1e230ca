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
//   RegisterObjectClass<MyWindow>("MyClass", CS_DBLCLKS, nullptr);
//   CreateWindowExA(0, "MyClass", ..., &object);  // the object is the creation parameter
#pragma once

#include <windows.h>

template <class Object> Object* WindowObject(HWND window)
{
    return reinterpret_cast<Object*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

template <class Object> LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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
    if (object)
        handled = object->OnMessage(window, message, wParam, lParam, result);
    return handled ? result : ::DefWindowProcA(window, message, wParam, lParam);
}

// Registers a window class of this program whose windows are Object's; the arrow cursor.
// Fails harmlessly (0) while the class is still registered.
template <class Object> ATOM RegisterObjectClass(const char* name, UINT style, HBRUSH background, HICON icon = nullptr)
{
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = ObjectWindowProc<Object>;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return ::RegisterClassA(&wc);
}
