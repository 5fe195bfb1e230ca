// Extracts a payload with the launcher's extraction engine and reports what it cost:
//   unpackbench ARCHIVE WORKFOLDER
// The time comes from the engine's own "UnCompressTime: " trace line (watch it with the
// debug viewer); this program prints the process's peak working set and the result.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <exception>

#include "payload/UnPack.h"
#include "util/KDebug.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: unpackbench ARCHIVE WORKFOLDER\n");
        return 2;
    }
    StartTraceChannel();
    ExtractRequest request;
    request.archivePath = argv[1];
    request.workFolder = argv[2];
    ExtractResult result;
    try {
        result = ExtractPayload(request);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "unpackbench: %s\n", error.what());
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("checksum=%d failures=%d peak_working_set=%lu\n", result.checksumOk ? 1 : 0, ExtractFailures(),
                static_cast<unsigned long>(memory.PeakWorkingSetSize));
    return result.checksumOk && ExtractFailures() == 0 ? 0 : 1;
}
