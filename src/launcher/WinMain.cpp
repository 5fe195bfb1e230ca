// Program entry of the launcher.
#include <windows.h>

#include "launcher/Stub.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return StubMain();
}
