// Program entry of the launcher.
#include <windows.h>

#include "launcher/Stub.h"
#include "util/SysUtilsWin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HardenDllSearch();
    return StubMain();
}
