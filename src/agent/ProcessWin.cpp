#include "agent/ProcessWin.h"

#include <memory>

#include "agent/Process.h"
#include "util/KDebug.h"
#include "util/ScopedWin.h"
#include "util/SysUtilsWin.h"
#include "util/Utils.h"
#include "util/UtilsWin.h"

namespace {

// Not declared for the oldest systems the launcher builds for; looked up at run time.
constexpr DWORD kProcessQueryLimitedInformation = 0x1000;
using QueryFullProcessImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// The process-status functions, bound for one search.
struct Psapi {
    ScopedLibrary library = LoadSystemLibrary("psapi.dll");
    EnumProcessesFn enumProcesses = ProcFrom<EnumProcessesFn>(library.get(), "EnumProcesses");
    EnumProcessModulesFn enumProcessModules = ProcFrom<EnumProcessModulesFn>(library.get(), "EnumProcessModules");
    GetModuleNameFn moduleBaseName = ProcFrom<GetModuleNameFn>(library.get(), "GetModuleBaseNameA");
    GetModuleNameFn moduleFileName = ProcFrom<GetModuleNameFn>(library.get(), "GetModuleFileNameExA");
};

std::string ShortPath(const std::string& path)
{
    char buffer[MAX_PATH + 1];
    const DWORD n = ::GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// The full-image-name query reads the path from the kernel, so it works for 64-bit
// processes seen from a 32-bit launcher and for processes of higher integrity levels,
// where the module list cannot be read. The handle stays open for a wait on it.
bool ImageFromKernel(DWORD pid, ProcessImage& image, ScopedHandle& held)
{
    static const auto query =
        ProcFrom<QueryFullProcessImageNameFn>(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
    if (!query)
        return false;
    ScopedHandle process(::OpenProcess(kProcessQueryLimitedInformation | SYNCHRONIZE, FALSE, pid));
    if (!process)
        return false;
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (!query(process.get(), 0, buffer, &size))
        return false;
    image.fullName.assign(buffer, size);
    image.baseName = FileNamePart(image.fullName);
    held = std::move(process);
    return true;
}

// The first module's path: the program as it was started (through a SUBST or mapped
// drive too), where the kernel names the folder behind it.
bool ImageFromModules(DWORD pid, const Psapi& psapi, ProcessImage& image, ScopedHandle& held)
{
    if (!psapi.enumProcessModules || !psapi.moduleBaseName || !psapi.moduleFileName)
        return false;
    ScopedHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid));
    if (!process)
        return false;
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (!psapi.enumProcessModules(process.get(), &first, sizeof first, &needed) || !first)
        return false;
    char name[256];
    const DWORD full = psapi.moduleFileName(process.get(), first, name, sizeof name);
    if (full == 0)
        return false;
    image.fullName.assign(name, full);
    const DWORD base = psapi.moduleBaseName(process.get(), first, name, sizeof name);
    image.baseName.assign(name, base);
    held = std::move(process);
    return true;
}

std::vector<DWORD> ProcessIdsWith(const Psapi& psapi)
{
    if (!psapi.enumProcesses)
        return {};
    // Grown while the list fills the buffer: then it may have been cut short.
    std::vector<DWORD> ids(256);
    for (;;) {
        const DWORD bytes = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        DWORD returned = 0;
        if (!psapi.enumProcesses(ids.data(), bytes, &returned)) {
            const DWORD error = ::GetLastError();
            TraceLine(ProcessIdText(), " EnumProcesses failed: ", static_cast<unsigned long>(error), " ",
                      ErrorText(error));
            return {};
        }
        if (returned < bytes) {
            ids.resize(returned / sizeof(DWORD));
            return ids;
        }
        ids.resize(ids.size() + 256);
    }
}

FoundProgram FindWith(const Psapi& psapi, const std::string& path, bool fullPathOnly,
                      const std::function<bool(DWORD)>& counts)
{
    if (TrimText(path).empty())
        return {};
    const std::string shortPath = ShortPath(TrimText(path));
    const std::string name = FileNamePart(TrimText(path));
    const auto matches = [&](ProcessImage& image) {
        image.shortName = ShortPath(image.fullName);
        return ProcessMatches(path, shortPath, image, fullPathOnly);
    };
    const std::vector<DWORD> ids = ProcessIdsWith(psapi);
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        ProcessImage image;
        ScopedHandle process;
        bool matched = false;
        bool askModules = true;
        if (ImageFromKernel(*it, image, process)) {
            matched = matches(image);
            // Only a process of the program's own name can have been started from
            // another drive's view of its folder.
            askModules = !matched && SameTextTrimmed(image.baseName, name);
        }
        if (!matched && askModules) {
            ProcessImage started;
            if (ImageFromModules(*it, psapi, started, process))
                matched = matches(started);
        }
        if (matched && counts(*it))
            return {*it, std::move(process)};
    }
    return {};
}

// The system gives every GUI thread a titled input-method window ("Default IME"). It is
// no window of the program: counted, it would be the main window of a program that has
// only invisible, untitled windows, and would receive the close request.
bool IsInputMethodWindow(HWND window)
{
    char name[32] = {};
    ::GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, "IME") == 0 || lstrcmpiA(name, "MSCTFIME UI") == 0;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM analizer)
{
    auto& a = *reinterpret_cast<TAnalizer*>(analizer);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == a.ProcessId() && !IsInputMethodWindow(window))
        a.Record(reinterpret_cast<TAnalizer::Window>(window));
    return TRUE;
}

TAnalizer::Facts FactsOf(TAnalizer::Window w)
{
    const HWND window = reinterpret_cast<HWND>(w);
    TAnalizer::Facts facts;
    facts.owner = reinterpret_cast<TAnalizer::Window>(::GetWindow(window, GW_OWNER));
    // GetWindowText reads another process's title without sending it a message, so a
    // program that hangs cannot hang the search.
    facts.hasTitle = !WindowText(window).empty();
    facts.visible = ::IsWindowVisible(window) != FALSE;
    return facts;
}

} // namespace

bool InThisSession(DWORD pid)
{
    using SessionIdFn = BOOL(WINAPI*)(DWORD, DWORD*);
    static const auto sessionOf = ProcFrom<SessionIdFn>(::GetModuleHandleA("kernel32.dll"), "ProcessIdToSessionId");
    DWORD mine = 0, theirs = 0;
    if (!sessionOf || !sessionOf(::GetCurrentProcessId(), &mine))
        return true;
    return sessionOf(pid, &theirs) && theirs == mine;
}

std::vector<DWORD> ProcessIds() { return ProcessIdsWith(Psapi()); }

FoundProgram FindProgram(const std::string& path, bool fullPathOnly, const std::function<bool(DWORD)>& counts)
{
    return FindWith(Psapi(), path, fullPathOnly, counts);
}

DWORD FindProgramProcess(const std::string& path, bool fullPathOnly) { return FindProgram(path, fullPathOnly).pid; }

bool IsProgramRunning(const std::string& path) { return FindProgramProcess(TrimQuotes(path, false), false) != 0; }

HWND FindMainWindow(const std::string& path, bool fullPathOnly)
{
    const DWORD pid = FindProgramProcess(path, fullPathOnly);
    if (pid == 0)
        return nullptr;
    // About 20 KB: kept off the stack of a caller that may itself be deep in a wait.
    auto analizer = std::make_unique<TAnalizer>();
    analizer->Reset();
    analizer->SetProcessId(pid);
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(analizer.get()));
    return reinterpret_cast<HWND>(analizer->MainWindow(FactsOf));
}

bool PostToProgram(const std::string& path, bool fullPathOnly, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = FindMainWindow(path, fullPathOnly);
    if (!window)
        return false;
    if (::PostMessageA(window, message, wParam, lParam))
        return true;
    const DWORD error = ::GetLastError();
    TraceLine(ProcessIdText(), " PostMessage failed: ", static_cast<unsigned long>(error), " ", ErrorText(error));
    return false;
}

bool TerminateProgram(const std::string& path, bool fullPathOnly)
{
    const DWORD pid = FindProgramProcess(path, fullPathOnly);
    TraceLine("PID=", static_cast<unsigned long>(pid), "\t", "   Exists=", PathExists(path) && !FolderExists(path),
              "\t", "  >", path, "<");
    if (pid == 0)
        return false;
    ScopedHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    if (process && ::TerminateProcess(process.get(), 0))
        return true;
    const DWORD error = ::GetLastError();
    TraceLine(ProcessIdText(), " TerminateProcess failed: ", static_cast<unsigned long>(error), " ", ErrorText(error));
    return false;
}

bool WaitForProgramEnd(const std::string& path, DWORD timeoutMs, const std::function<bool()>& stopping)
{
    constexpr DWORD kLookMs = 250;
    const DWORD start = ::GetTickCount();
    SleepPumping(0, 1000);
    const FoundProgram found = FindProgram(TrimQuotes(path, false), false);
    if (found.pid == 0)
        return true;
    for (;;) {
        const DWORD waited = ::WaitForSingleObject(found.process.get(), 0);
        if (waited == WAIT_OBJECT_0)
            return true;
        // A handle that cannot be waited on says nothing: the process list does.
        if (waited == WAIT_FAILED && !IsProgramRunning(path))
            return true;
        if (::GetTickCount() - start >= timeoutMs || (stopping && stopping()))
            return false;
        SleepPumping(0, kLookMs);
    }
}
