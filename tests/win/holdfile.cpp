// Test helper: holds a file open as another program may (a scanner, a running copy of
// the file): created when missing, opened without sharing, so that no other program can
// write, rename or delete it until this one ends. Prints "held" once it holds the file.
// Exit code 1 when the file cannot be opened.
//   holdfile PATH [SECONDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 120;
    const HANDLE file =
        CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(seconds * 1000);
    CloseHandle(file);
    return 0;
}
