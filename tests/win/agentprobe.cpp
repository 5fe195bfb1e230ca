// Benchmark helper: what a running update agent holds, read from inside Wine, and whether it
// still answers. Finds the agent by its window class, then prints one line
//   pid=N handles=N gdi=N user=N state=N
// the Windows process id, its handle count, its GDI and USER object counts, and its answer
// to request 7 (the agent state) of the agent message. Each count is followed by where it
// came from ("handles=40:api"). Exit code 1 when no window of the class exists, 2 when the
// agent does not answer within 5 s, 3 when a count cannot be had.
//   agentprobe CLASS
//
// GetProcessHandleCount and GetGuiResources are asked first. Where they give nothing (this
// Wine answers 0 to both), the same figures come from what the system does keep: the
// handles from the system's handle list, the GDI objects from the process's own GDI handle
// table (which its PEB points at), the USER objects as the windows the process owns. The
// table is only trusted after this program has seen its own table count brushes it made.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "util/ScopedWin.h"

namespace {

constexpr UINT kAgentMessage = WM_USER + 101;
constexpr WPARAM kAgentState = 7;
constexpr UINT kAnswerMs = 5000;

struct Count {
    long value = -1;
    const char* source = "none";
};

std::string Text(const Count& c) { return std::to_string(c.value) + ":" + c.source; }

using QuerySystem = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <class F> F Ntdll(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

// The system's handle list (information class 16), entries of the process pid counted.
Count ListedHandles(DWORD pid)
{
    struct Entry {
        ULONG ownerPid;
        BYTE type;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
    const auto query = Ntdll<QuerySystem>("NtQuerySystemInformation");
    if (!query)
        return {};
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status =
            query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kLengthMismatch && buffer.size() < (64u << 20)) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status != 0)
            return {};
        break;
    }
    const ULONG total = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
    if (sizeof(void*) + total * sizeof(Entry) > buffer.size())
        return {};
    long found = 0;
    for (ULONG i = 0; i < total; ++i)
        found += entries[i].ownerPid == pid;
    return {found, "list"};
}

// The GDI handle table as this Wine keeps it in each process: 65536 entries of 24 bytes,
// an entry in use when its type is not 0. Entries are handed out from the table's start
// (a freed one is used again before a new one), so the entries ever used are a prefix.
struct GdiEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
static_assert(sizeof(GdiEntry) == 24, "the table's entry");
constexpr size_t kGdiEntries = 0x10000;
// Three pages of entries: the table is read a block at a time.
constexpr size_t kGdiBlock = 512;
static_assert(kGdiEntries % kGdiBlock == 0, "whole blocks");
// Where the PEB holds the table's address.
constexpr size_t kPebGdiTable = sizeof(void*) == 8 ? 0xF8 : 0x94;

bool AllZero(const std::vector<GdiEntry>& entries)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(entries.data());
    return std::all_of(bytes, bytes + entries.size() * sizeof(GdiEntry), [](unsigned char b) { return b == 0; });
}

// Read up to the first block no entry was ever written to: a page of another process
// that this reads is in that process's memory from then on (1.5 MiB for the whole
// table), and a probe must not grow what it measures.
long GdiTableCount(HANDLE process)
{
    const auto query = Ntdll<QueryProcess>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return -1;
    void* table = nullptr;
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, static_cast<const char*>(static_cast<void*>(basic.PebBaseAddress)) + kPebGdiTable,
                           &table, sizeof table, &got) ||
        got != sizeof table || !table)
        return -1;
    std::vector<GdiEntry> block(kGdiBlock);
    const size_t blockBytes = block.size() * sizeof(GdiEntry);
    long used = 0;
    for (size_t first = 0; first < kGdiEntries; first += kGdiBlock) {
        if (!ReadProcessMemory(process, static_cast<const GdiEntry*>(table) + first, block.data(), blockBytes, &got) ||
            got != blockBytes)
            return -1;
        if (AllZero(block))
            break;
        for (const GdiEntry& e : block)
            used += e.type != 0;
    }
    return used;
}

// The table is read as above only if this program's own table counts the brushes it makes.
bool GdiTableReadable()
{
    constexpr int kBrushes = 3;
    const long before = GdiTableCount(GetCurrentProcess());
    std::vector<ScopedBrush> brushes;
    for (int i = 0; i < kBrushes; ++i)
        brushes.emplace_back(CreateSolidBrush(RGB(i, 2, 3)));
    const long during = GdiTableCount(GetCurrentProcess());
    brushes.clear();
    const long after = GdiTableCount(GetCurrentProcess());
    return before >= 0 && during == before + kBrushes && after == before;
}

struct WindowsOf {
    DWORD pid;
    long count = 0;
};

BOOL CALLBACK CountChild(HWND wnd, LPARAM param)
{
    auto* of = reinterpret_cast<WindowsOf*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    of->count += owner == of->pid;
    return TRUE;
}

BOOL CALLBACK CountTop(HWND wnd, LPARAM param)
{
    CountChild(wnd, param);
    EnumChildWindows(wnd, CountChild, param);
    return TRUE;
}

// The windows the process owns: top-level ones with their children, and message-only ones.
long WindowCount(DWORD pid)
{
    WindowsOf of{pid};
    EnumWindows(CountTop, reinterpret_cast<LPARAM>(&of));
    for (HWND wnd = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); wnd;
         wnd = FindWindowExA(HWND_MESSAGE, wnd, nullptr, nullptr))
        CountTop(wnd, reinterpret_cast<LPARAM>(&of));
    return of.count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 3;
    HWND agent = FindWindowA(argv[1], nullptr);
    if (!agent) {
        std::printf("error=no window of class %s\n", argv[1]);
        return 1;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(agent, &pid);
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        std::printf("error=cannot open process %lu: %lu\n", pid, GetLastError());
        return 3;
    }
    // A process without a handle, or without a GDI object, does not exist: 0 means "not counted".
    Count handles, gdi, user;
    DWORD counted = 0;
    if (GetProcessHandleCount(process.get(), &counted) && counted)
        handles = {static_cast<long>(counted), "api"};
    else
        handles = ListedHandles(pid);
    if (const DWORD n = GetGuiResources(process.get(), GR_GDIOBJECTS))
        gdi = {static_cast<long>(n), "api"};
    else if (GdiTableReadable())
        gdi = {GdiTableCount(process.get()), "table"};
    if (const DWORD n = GetGuiResources(process.get(), GR_USEROBJECTS))
        user = {static_cast<long>(n), "api"};
    else
        user = {WindowCount(pid), "windows"};
    DWORD_PTR state = 0;
    const bool answered =
        SendMessageTimeoutA(agent, kAgentMessage, kAgentState, 0, SMTO_ABORTIFHUNG, kAnswerMs, &state) != 0;
    std::printf("pid=%lu handles=%s gdi=%s user=%s state=%s\n", pid, Text(handles).c_str(), Text(gdi).c_str(),
                Text(user).c_str(), answered ? std::to_string(static_cast<long>(state)).c_str() : "none");
    if (!answered)
        return 2;
    return handles.value < 0 || gdi.value < 0 || user.value < 0 ? 3 : 0;
}
