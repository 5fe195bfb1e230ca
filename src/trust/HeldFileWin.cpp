#include "trust/HeldFileWin.h"

#include <vector>

#include "util/SysUtilsWin.h"

HeldFile HoldAndHash(const std::string& path)
{
    HeldFile held;
    // Others may read along (the setup run opens it again), nothing else.
    held.file.reset(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!held.file) {
        held.opened = SysResult::LastError();
        return held;
    }
    Sha256 hash;
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(held.file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return held;
        if (got == 0)
            break;
        hash.Add(buffer.data(), got);
        YieldX(0);
    }
    held.sha256 = hash.Finish();
    return held;
}
