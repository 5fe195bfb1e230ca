#include "util/MessagePump.h"

void PumpMessages(const bool& done, OnQuit onQuit, MessageFilter filter, void* context)
{
    bool quitSeen = false;
    int quitCode = 0;
    while (!done) {
        MSG msg;
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (got == 0) {
            quitCode = static_cast<int>(msg.wParam);
            if (onQuit == OnQuit::End)
                return;
            if (onQuit == OnQuit::EndAndRepost) {
                ::PostQuitMessage(quitCode);
                return;
            }
            quitSeen = true;
            continue;
        }
        if (filter && filter(context, msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    if (quitSeen)
        ::PostQuitMessage(quitCode);
}
