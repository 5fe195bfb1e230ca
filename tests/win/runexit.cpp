// Test helper: runs a program, waits for it and prints its whole exit code as
// "exit=N". The Linux side of Wine sees only the low byte of a Windows exit code.
// "/env NAME=VALUE" sets a variable for the program alone (Wine takes TEMP and TMP from
// the prefix's registry, not from the Linux side, so a run of its own needs this).
//   runexit [/env NAME=VALUE]... PROGRAM [ARGS...]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "util/ProcessStart.h"

int main(int argc, char** argv)
{
    int first = 1;
    for (; first + 1 < argc && std::strcmp(argv[first], "/env") == 0; first += 2) {
        const std::string setting = argv[first + 1];
        const size_t equals = setting.find('=');
        if (equals == std::string::npos || equals == 0 ||
            !SetEnvironmentVariableA(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str()))
            return 2;
    }
    if (first >= argc)
        return 2;
    std::string arguments;
    for (int i = first + 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!arguments.empty())
            arguments += ' ';
        arguments += arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"";
    }
    const StartedProcess started = StartProcess({argv[first], arguments});
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
