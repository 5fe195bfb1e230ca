// Test helper: waits for a top-level window with the given title and answers it with
// a key (a letter, or "Return"), posted until the window is gone; or, with the key
// "Close", posts one close request (a user closing the window) and ends; with the key
// "Describe", prints the window's class and one line "child CLASS|TEXT" per child window
// and leaves it open. Exit code 0 when the window was answered (or described), 1 when it
// never came or stayed.
//   answerbox TITLE KEY [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

BOOL CALLBACK PrintChild(HWND child, LPARAM)
{
    char cls[256] = "";
    GetClassNameA(child, cls, sizeof cls);
    static char text[65536];
    text[0] = 0;
    // Sent, not read with GetWindowText: a control of another process keeps its text to
    // itself (a rich-text box never stores it as its caption).
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &copied);
    std::printf("child %s|%s\n", cls, text);
    return TRUE;
}

void Describe(HWND window)
{
    char cls[256] = "";
    GetClassNameA(window, cls, sizeof cls);
    std::printf("class %s\n", cls);
    EnumChildWindows(window, PrintChild, 0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const char* title = argv[1];
    const WPARAM key = std::strcmp(argv[2], "Return") == 0
                           ? VK_RETURN
                           : static_cast<WPARAM>(static_cast<unsigned char>(CharUpperA(argv[2])[0]));
    const DWORD limit = (argc > 3 ? std::atoi(argv[3]) : 60) * 1000u;
    const DWORD start = GetTickCount();
    HWND box = nullptr;
    while (!box && GetTickCount() - start < limit) {
        box = FindWindowA(nullptr, title);
        if (box && !IsWindowVisible(box))
            box = nullptr;
        Sleep(100);
    }
    if (!box)
        return 1;
    Sleep(300); // let the box finish setting itself up
    if (lstrcmpiA(argv[2], "Describe") == 0) {
        Describe(box);
        return 0;
    }
    if (lstrcmpiA(argv[2], "Close") == 0)
        return PostMessageA(box, WM_CLOSE, 0, 0) ? 0 : 1;
    for (int attempt = 0; attempt < 20 && IsWindow(box); ++attempt) {
        PostMessageA(box, WM_KEYDOWN, key, 0);
        PostMessageA(box, WM_KEYUP, key, 0);
        Sleep(500);
    }
    return IsWindow(box) ? 1 : 0;
}
