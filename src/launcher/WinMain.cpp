// Program entry of the launcher.
#include <windows.h>

#include "launcher/ExitCodes.h"
#include "launcher/Stub.h"
#include "util/Guard.h"
#include "util/SysUtilsWin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HardenDllSearch();
    // No exception ends the process through std::terminate: a fault before or after the
    // run ends it with the exit table's failure code.
    int exitCode = static_cast<int>(kExitFailed);
    Guarded("WinMain", [&] { exitCode = StubMain(); });
    return exitCode;
}
