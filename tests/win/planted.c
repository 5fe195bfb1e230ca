/* A DLL that stands for one planted beside a downloaded setup under a system DLL's
   name. Loaded, it leaves "planted.loaded" in its own folder. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
        while (n > 0 && path[n - 1] != '\\')
            --n;
        lstrcpyA(path + n, "planted.loaded");
        HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (f != INVALID_HANDLE_VALUE)
            CloseHandle(f);
    }
    return TRUE;
}
