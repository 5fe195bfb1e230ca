#include "agent/ProcessWin.h"

#include <algorithm>
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
// where the module list cannot be read. Where the system lacks it, the module list.
bool ImageFromKernel(DWORD pid, ProcessImage& image)
{
    static const auto query =
        ProcFrom<QueryFullProcessImageNameFn>(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
    if (!query)
        return false;
    ScopedHandle process(::OpenProcess(kProcessQueryLimitedInformation, FALSE, pid));
    if (!process)
        return false;
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (!query(process.get(), 0, buffer, &size))
        return false;
    image.fullName.assign(buffer, size);
    image.baseName = FileNamePart(image.fullName);
    return true;
}

bool ImageFromModules(DWORD pid, const Psapi& psapi, ProcessImage& image)
{
    if (!psapi.enumProcessModules || !psapi.moduleBaseName || !psapi.moduleFileName)
        return false;
    ScopedHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
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

DWORD FindWith(const Psapi& psapi, const std::string& path, bool fullPathOnly)
{
    if (TrimText(path).empty())
        return 0;
    const std::string shortPath = ShortPath(TrimText(path));
    const std::vector<DWORD> ids = ProcessIdsWith(psapi);
    for (auto it = ids.rbegin(); it != ids.rend(); ++it) {
        ProcessImage image;
        if (!ImageFromKernel(*it, image) && !ImageFromModules(*it, psapi, image))
            continue;
        image.shortName = ShortPath(image.fullName);
        if (ProcessMatches(path, shortPath, image, fullPathOnly))
            return *it;
    }
    return 0;
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

std::vector<DWORD> ProcessIds() { return ProcessIdsWith(Psapi()); }

DWORD FindProgramProcess(const std::string& path, bool fullPathOnly) { return FindWith(Psapi(), path, fullPathOnly); }

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

void WaitForProgramEnd(const std::string& path, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    SleepPumping(0, 1000);
    const DWORD pid = FindProgramProcess(TrimQuotes(path, false), false);
    if (pid == 0)
        return;
    for (;;) {
        SleepPumping(0, 1000);
        if (timeoutMs != 0 && ::GetTickCount() - start > timeoutMs)
            return;
        const std::vector<DWORD> ids = ProcessIds();
        // A list that could not be had says nothing about the process: keep waiting.
        if (!ids.empty() && std::find(ids.begin(), ids.end(), pid) == ids.end())
            return;
    }
}
