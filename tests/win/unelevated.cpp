// Test helper: runs a program with the limited token linked to this process's own, as a
// program that an administrator starts without consent runs, waits for it and ends with
// its exit code. The program finds itself unelevated, and what it must start elevated
// goes through the consent path. Wine runs every program elevated otherwise.
//   unelevated PROGRAM [ARGS...]
#include <windows.h>

#include <cstdio>
#include <string>

#include "util/ScopedWin.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own))
        return 3;
    const ScopedHandle ownToken(own);
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (!GetTokenInformation(ownToken.get(), TokenLinkedToken, &linked, sizeof linked, &size)) {
        std::printf("no limited token: %lu\n", GetLastError());
        return 3;
    }
    const ScopedHandle limited(linked.LinkedToken);
    TOKEN_ELEVATION elevation{};
    if (!GetTokenInformation(limited.get(), TokenElevation, &elevation, sizeof elevation, &size) ||
        elevation.TokenIsElevated != 0) {
        std::printf("the linked token is no limited one\n");
        return 3;
    }
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        commandLine += ' ' + (arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"");
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessAsUserA(limited.get(), argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi)) {
        std::printf("start failed %lu\n", GetLastError());
        return 1;
    }
    CloseHandle(pi.hThread);
    const ScopedHandle process(pi.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
