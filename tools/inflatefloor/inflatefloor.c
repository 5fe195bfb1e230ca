/* The floor of the extraction benchmark: the least work that extracting a payload needs.
 * Reads the whole payload into memory first (untimed), then inflates every entry from
 * memory and writes its file with WriteFile, keeping a file open while entries of the
 * same name follow each other. Prints the timed part in milliseconds.
 *   inflatefloor ARCHIVE WORKFOLDER
 * Only for well-formed payloads made by the builder: it checks little. */
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

static unsigned U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (unsigned)p[3] << 24; }

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: inflatefloor ARCHIVE WORKFOLDER\n");
        return 2;
    }
    HANDLE in = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (in == INVALID_HANDLE_VALUE)
        return 1;
    DWORD size = GetFileSize(in, NULL), got = 0;
    unsigned char* data = malloc(size);
    if (!data || !ReadFile(in, data, size, &got, NULL) || got != size)
        return 1;
    CloseHandle(in);

    LARGE_INTEGER freq, start, end;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    CreateDirectoryA(argv[2], NULL);

    const unsigned trailerLength = U32(data + size - 4);
    const unsigned char* trailer = data + size - trailerLength;
    unsigned headers = trailer[1] ? trailer[1] : 2;
    size_t pos = U32(trailer + 4), stop = size - trailerLength;
    size_t room = 4 << 20;
    unsigned char* out = malloc(room);
    char name[MAX_PATH] = "", previous[MAX_PATH] = "";
    HANDLE file = INVALID_HANDLE_VALUE;
    unsigned long long written = 0;

    while (pos + 4 <= stop) {
        int length = (int)U32(data + pos);
        size_t n = length < 0 ? (size_t)-length : (size_t)length;
        const unsigned char* block = data + pos + 4;
        pos += 4 + n;
        if (headers) {
            --headers;
            continue;
        }
        const unsigned char* entry = block;
        size_t entrySize = n;
        if (length > 0) {
            z_stream z;
            memset(&z, 0, sizeof z);
            inflateInit(&z);
            z.next_in = (Bytef*)block;
            z.avail_in = (uInt)n;
            for (;;) {
                z.next_out = out + z.total_out;
                z.avail_out = (uInt)(room - z.total_out);
                int r = inflate(&z, Z_NO_FLUSH);
                if (r == Z_STREAM_END)
                    break;
                if (r != Z_OK && r != Z_BUF_ERROR)
                    return 1;
                room *= 2;
                out = realloc(out, room);
            }
            entrySize = z.total_out;
            inflateEnd(&z);
            entry = out;
        }
        const unsigned char* nul = memchr(entry, 0, entrySize);
        if (!nul)
            continue;
        /* "|name[*parameters]|stamp|" */
        size_t len = strcspn((const char*)entry + 1, "|*");
        snprintf(name, sizeof name, "%s\\%.*s", argv[2], (int)len, (const char*)entry + 1);
        if (strcmp(name, previous) != 0) {
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
            file = CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (file == INVALID_HANDLE_VALUE)
                return 1;
            strcpy(previous, name);
        }
        DWORD done = 0, content = (DWORD)(entrySize - (size_t)(nul + 1 - entry));
        if (content && (!WriteFile(file, nul + 1, content, &done, NULL) || done != content))
            return 1;
        written += content;
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS memory;
    memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("floor_ms=%.1f bytes=%llu peak_working_set=%lu\n",
           (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)freq.QuadPart, written,
           (unsigned long)memory.PeakWorkingSetSize);
    return 0;
}
