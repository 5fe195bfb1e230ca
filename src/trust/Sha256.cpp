#include "trust/Sha256.h"

#include <cstring>
#include <vector>

#include "payload/FileReader.h"
#include "util/Utils.h"

std::optional<Sha256Digest> Sha256Of(const std::string& bytes)
{
    Sha256 hash;
    hash.Add(bytes);
    return hash.Finish();
}

std::optional<Sha256Digest> Sha256OfFile(const std::string& path)
{
    TFileReader file(path);
    if (!file.IsOpen())
        return std::nullopt;
    Sha256 hash;
    std::vector<char> buffer(1 << 20);
    int64_t at = 0;
    while (at < file.Size()) {
        const size_t got = file.ReadSome(at, buffer.data(), buffer.size());
        if (got == 0)
            return std::nullopt;
        hash.Add(buffer.data(), got);
        at += static_cast<int64_t>(got);
    }
    return hash.Finish();
}

std::optional<Sha256Digest> Sha256FromHex(const std::string& text)
{
    std::string bytes;
    Sha256Digest digest{};
    if (!StrictHexToBytes(text, bytes) || bytes.size() != digest.size())
        return std::nullopt;
    std::memcpy(digest.data(), bytes.data(), digest.size());
    return digest;
}

std::string Sha256Hex(const Sha256Digest& digest)
{
    return BytesToHex(std::string(digest.begin(), digest.end()), false, false);
}
