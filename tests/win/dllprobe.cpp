// Loads a DLL by its bare name, as any program does, from the folder it runs in;
// with --harden after the launcher's DLL-search hardening. Ends with 0 when some DLL
// of that name was loaded.
//   dllprobe NAME [--harden]
#include <windows.h>

#include <cstring>

#include "util/SysUtilsWin.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (argc > 2 && std::strcmp(argv[2], "--harden") == 0)
        HardenDllSearch();
    return LoadLibraryA(argv[1]) ? 0 : 1;
}
