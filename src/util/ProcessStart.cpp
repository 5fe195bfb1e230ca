#include "util/ProcessStart.h"

#include "util/SysUtilsWin.h"

ProcessStart ProgramWithArguments(const std::string& program, const std::string& arguments, WORD show)
{
    ProcessStart start{program, "\"" + program + "\"", show};
    if (!arguments.empty())
        start.commandLine += " " + arguments;
    return start;
}

StartedProcess StartProcess(const ProcessStart& start)
{
    std::string commandLine = start.commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = start.show;
    PROCESS_INFORMATION pi = {};
    StartedProcess started;
    if (!CreateProcessA(start.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        started.error = GetLastError();
        return started;
    }
    CloseHandle(pi.hThread);
    started.process.reset(pi.hProcess);
    started.id = pi.dwProcessId;
    return started;
}

DWORD WaitForProcessPumping(HANDLE process, DWORD pollMs)
{
    DWORD code = 0;
    for (;;) {
        SleepPumping(0, pollMs);
        if (!process)
            break;
        const DWORD waited = WaitForSingleObject(process, 0);
        if (!GetExitCodeProcess(process, &code)) {
            code = 0;
            break;
        }
        if (waited != WAIT_TIMEOUT)
            break;
    }
    return code;
}
