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
    held.sha256 = Sha256OfHandle(held.file.get());
    return held;
}

std::optional<Sha256Digest> Sha256OfHandle(HANDLE file)
{
    Sha256 hash;
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        hash.Add(buffer.data(), got);
        YieldX(0);
    }
    return hash.Finish();
}
