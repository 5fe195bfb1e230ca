// Test and benchmark driver of the HTTP client: runs one client call and prints what
// the caller would see, one item per line.
//   httpget size URL
//   httpget get URL FILE [abort=N] [cancel=N] [quiet] [known=N] [cap=N] [hash]
//                                                    (FILE "-": into memory)
// get prints every bar event ("steps P/M", "name X", "text T"), then "error=TEXT",
// "bytes=N" for a download into memory, "sha256=HEX" with hash, "ms=N" (the call's
// duration) and "peak=N" (the peak working set in bytes). abort=N / cancel=N raise the
// abort flag / the bar's cancel flag at the N-th text; quiet leaves the texts out;
// known=N is the size the caller knows the body has (a signed size), cap=N the most it
// takes; hash fetches as the agent fetches an update: into a new file beside FILE,
// hashed as it arrives (the file is removed at the end).
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/InetHTTP.h"
#include "trust/HeldFileWin.h"
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
        std::printf("size=%lld\n", static_cast<long long>(HTTP_GetFileSize(argv[2])));
        return 0;
    }
    if (argc < 4 || std::strcmp(argv[1], "get") != 0)
        return 2;
    DownloadOptions how;
    bool hash = false;
    for (int i = 4; i < argc; ++i) {
        if (std::strncmp(argv[i], "known=", 6) == 0)
            how.knownSize = std::atoll(argv[i] + 6);
        else if (std::strncmp(argv[i], "cap=", 4) == 0)
            how.largest = std::atoll(argv[i] + 4);
        else if (std::strcmp(argv[i], "hash") == 0)
            hash = true;
        else if (std::strncmp(argv[i], "abort=", 6) == 0)
            g_abortAt = std::atoi(argv[i] + 6);
        else if (std::strncmp(argv[i], "cancel=", 7) == 0)
            g_cancelAt = std::atoi(argv[i] + 7);
        else if (std::strcmp(argv[i], "quiet") == 0)
            g_quiet = true;
    }
    const std::string file = std::strcmp(argv[3], "-") == 0 ? std::string() : argv[3];
    TProgBar bar(nullptr);
    bar.ProgressHandler = OnEvent;
    how.bar = &bar;
    std::string data;
    std::string digest;
    const DWORD start = GetTickCount();
    std::string error;
    if (hash) {
        HeldDownload held(file);
        error = HTTP_DownloadTo(argv[2], how, [&held](const char* bytes, std::size_t size, std::string& failure) {
            return held.Take(bytes, size, failure);
        });
        const std::optional<Sha256Digest> sha256 = held.Finish();
        digest = sha256 ? Sha256Hex(*sha256) : "none";
    } else if (file.empty()) {
        error = HTTP_DownloadToMemory(argv[2], how, data);
    } else {
        error = HTTP_DownloadFile_Incremental(argv[2], how, file);
    }
    const DWORD elapsed = GetTickCount() - start;
    std::printf("error=%s\n", error.c_str());
    if (file.empty())
        std::printf("bytes=%u\n", static_cast<unsigned>(data.size()));
    if (hash)
        std::printf("sha256=%s\n", digest.c_str());
    std::printf("ms=%lu\npeak=%lu\n", static_cast<unsigned long>(elapsed),
                static_cast<unsigned long>(PeakWorkingSet()));
    HTTP_UnloadWinInet();
    return 0;
}
