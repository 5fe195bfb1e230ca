// Test and benchmark driver of the HTTP client: runs one client call and prints what
// the caller would see, one item per line.
//   httpget size URL
//   httpget get URL FILE [abort=N] [cancel=N] [quiet]   (FILE "-": into memory)
// get prints every bar event ("steps P/M", "name X", "text T"), then "error=TEXT",
// "bytes=N" for a download into memory, "ms=N" (the call's duration) and "peak=N" (the
// peak working set in bytes). abort=N / cancel=N raise the abort flag / the bar's cancel
// flag at the N-th text; quiet leaves the texts out.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/InetHTTP.h"
#include "ui/KProgBar.h"

namespace {

int g_texts = 0;
int g_abortAt = 0;
int g_cancelAt = 0;
bool g_quiet = false;

void OnEvent(TProgBar& bar, int kind, int value, int maximum, const std::string& text)
{
    if (kind == 1)
        std::printf("steps %d/%d\n", value, maximum);
    else if (kind == 5)
        std::printf("name %s\n", text.c_str());
    if (kind != 2)
        return;
    ++g_texts;
    if (!g_quiet)
        std::printf("text %s\n", text.c_str());
    if (g_texts == g_abortAt)
        RequestDownloadAbort();
    if (g_texts == g_cancelAt)
        bar.Cancel = 1;
}

SIZE_T PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "size") == 0) {
        std::printf("size=%d\n", static_cast<int>(HTTP_GetFileSize(argv[2])));
        return 0;
    }
    if (argc < 4 || std::strcmp(argv[1], "get") != 0)
        return 2;
    for (int i = 4; i < argc; ++i) {
        if (std::strncmp(argv[i], "abort=", 6) == 0)
            g_abortAt = std::atoi(argv[i] + 6);
        else if (std::strncmp(argv[i], "cancel=", 7) == 0)
            g_cancelAt = std::atoi(argv[i] + 7);
        else if (std::strcmp(argv[i], "quiet") == 0)
            g_quiet = true;
    }
    const std::string file = std::strcmp(argv[3], "-") == 0 ? std::string() : argv[3];
    TProgBar bar(nullptr);
    bar.ProgressHandler = OnEvent;
    std::string data;
    const DWORD start = GetTickCount();
    const std::string error = HTTP_DownloadFile_Incremental(nullptr, argv[2], file, &data, &bar);
    const DWORD elapsed = GetTickCount() - start;
    std::printf("error=%s\n", error.c_str());
    if (file.empty())
        std::printf("bytes=%u\n", static_cast<unsigned>(data.size()));
    std::printf("ms=%lu\npeak=%lu\n", static_cast<unsigned long>(elapsed),
                static_cast<unsigned long>(PeakWorkingSet()));
    HTTP_UnloadWinInet();
    return 0;
}
