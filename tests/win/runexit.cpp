// Test helper: runs a program, waits for it and prints its whole exit code as
// "exit=N". The Linux side of Wine sees only the low byte of a Windows exit code.
//   runexit PROGRAM [ARGS...]
#include <windows.h>

#include <cstdio>
#include <string>

#include "util/ProcessStart.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::string arguments;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!arguments.empty())
            arguments += ' ';
        arguments += arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"";
    }
    const StartedProcess started = StartProcess({argv[1], arguments});
    if (!started) {
        std::printf("start failed %lu\n", started.error);
        return 1;
    }
    WaitForSingleObject(started.process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(started.process.get(), &code);
    std::printf("exit=%lu\n", code);
    return 0;
}
