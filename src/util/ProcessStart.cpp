#include "util/ProcessStart.h"

#include <shellapi.h>

#include "util/SysUtilsWin.h"

std::string ProcessCommandLine(const ProcessStart& start)
{
    std::string line = start.quoteProgram ? "\"" + start.program + "\"" : start.program;
    if (!start.arguments.empty())
        line += " " + start.arguments;
    return line;
}

std::string FindProgramAsStartWould(const std::string& program)
{
    if (program.empty() || program.find_first_of("\\/:") != std::string::npos)
        return program;
    char found[MAX_PATH + 1];
    const DWORD n = SearchPathA(nullptr, program.c_str(), ".exe", sizeof found, found, nullptr);
    return n > 0 && n < sizeof found ? std::string(found, n) : program;
}

StartedProcess StartProcess(const ProcessStart& start)
{
    std::string commandLine = ProcessCommandLine(start);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = start.show;
    PROCESS_INFORMATION pi = {};
    StartedProcess started;
    if (!CreateProcessA(start.program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        started.error = SysResult::LastError().error;
        return started;
    }
    CloseHandle(pi.hThread);
    started.process.reset(pi.hProcess);
    return started;
}

StartedProcess StartProcessRetrying(const ProcessStart& start, const StartRetry& retry, const FailedStartTry& failedTry)
{
    for (int tried = 1;; ++tried) {
        StartedProcess started = StartProcess(start);
        if (started)
            return started;
        if (failedTry)
            failedTry(tried, started.error);
        if (tried >= retry.tries)
            return started;
        SleepPumping(0, retry.pauseMs);
    }
}

StartedProcess StartElevated(const ProcessStart& start, const std::string& folder)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "runas";
    info.lpFile = start.program.c_str();
    info.lpParameters = start.arguments.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = start.show;
    StartedProcess started;
    using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);
    // Loaded on first use, as the shell is needed only for this start.
    static const auto execute =
        ProcFrom<ShellExecuteExFn>(LoadSystemLibrary("shell32.dll").release(), "ShellExecuteExA");
    if (!execute) {
        started.error = ERROR_PROC_NOT_FOUND;
        return started;
    }
    if (!execute(&info) || !info.hProcess) {
        started.error = SysResult::LastError().error;
        return started;
    }
    started.process.reset(info.hProcess);
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
