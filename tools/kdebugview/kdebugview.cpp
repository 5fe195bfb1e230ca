// Debug viewer: owns the ".KDebug." window that the launcher's trace channel looks for
// and writes every trace chunk it receives, exactly as received, to standard output or
// to the file named on its command line (created, or appended to, once the window
// exists, so a script can wait for the file before it starts the launcher).
//
//   kdebugview [-chunks] [FILE]   watch; ends on WM_CLOSE or when its process is ended
//   kdebugview -send TEXT         send TEXT as one trace line to a running viewer
// With -chunks every chunk is written as its length, ":", the chunk and a line feed,
// which shows how the sender cut its lines.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "util/KDebug.h"

namespace {

UINT g_traceMessage = 0;
HANDLE g_out = INVALID_HANDLE_VALUE;
bool g_framed = false;

void WriteAll(const char* data, DWORD size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(g_out, data, size, &written, nullptr) || written == 0)
            return;
        data += written;
        size -= written;
    }
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_traceMessage && g_traceMessage != 0) {
        // The sender deletes the atom when the send returns: read it now.
        char text[256];
        UINT length = ::GlobalGetAtomNameA(static_cast<ATOM>(lParam), text, sizeof text);
        if (length > 0) {
            if (g_framed) {
                std::string head = std::to_string(length) + ":";
                WriteAll(head.data(), static_cast<DWORD>(head.size()));
            }
            WriteAll(text, length);
            if (g_framed)
                WriteAll("\n", 1);
        }
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

int Watch(const char* outputPath)
{
    if (::FindWindowA(kTraceViewerClass, nullptr)) {
        std::fprintf(stderr, "kdebugview: another viewer is already running\n");
        return 2;
    }
    g_traceMessage = ::RegisterWindowMessageA(kTraceViewerMessage);
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.lpszClassName = kTraceViewerClass;
    if (!::RegisterClassA(&wc))
        return 1;
    // A hidden top-level window: the launcher finds it by class name.
    HWND window =
        ::CreateWindowExA(0, kTraceViewerClass, "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;

    if (outputPath) {
        g_out = ::CreateFileA(outputPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (g_out == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "kdebugview: cannot open %s\n", outputPath);
            return 1;
        }
    } else {
        g_out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    }

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    if (outputPath)
        ::CloseHandle(g_out);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "-send") == 0) {
        StartTraceChannel();
        TraceLine(argv[2]);
        return ::FindWindowA(kTraceViewerClass, nullptr) ? 0 : 1;
    }
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "-chunks") == 0) {
        g_framed = true;
        first = 2;
    }
    if (argc - first > 1 || (argc - first == 1 && argv[first][0] == '-')) {
        std::fprintf(stderr, "usage: kdebugview [-chunks] [FILE] | kdebugview -send TEXT\n");
        return 2;
    }
    return Watch(argc - first == 1 ? argv[first] : nullptr);
}
