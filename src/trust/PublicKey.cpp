#include "trust/PublicKey.h"

#include <cstring>

#include "payload/GFileInfo.h"
#include "trust/Sha256.h"
#include "util/Utils.h"

std::optional<PublicKey> ParsePublicKey(const std::string& text)
{
    std::optional<PublicKey> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = TrimText(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        std::string bytes;
        PublicKey key;
        if (found || !StrictHexToBytes(line, bytes) || bytes.size() != key.xy.size())
            return std::nullopt;
        std::memcpy(key.xy.data(), bytes.data(), key.xy.size());
        found = key;
    }
    return found;
}

std::string PublicKeyHex(const PublicKey& key)
{
    return BytesToHex(std::string(key.xy.begin(), key.xy.end()), false, false);
}

std::string PublicKeyFileText(const PublicKey& key)
{
    return "# Release public key (ECDSA P-256, X and Y in hex), key id " + KeyId(key) + "\n" + PublicKeyHex(key) + "\n";
}

std::string KeyId(const PublicKey& key)
{
    const std::optional<Sha256Digest> digest = Sha256Of(std::string(key.xy.begin(), key.xy.end()));
    return digest ? Sha256Hex(*digest).substr(0, 16) : std::string();
}

PayloadKeys ReleaseKeysOf(const TGFileInfo& payload)
{
    PayloadKeys result;
    for (int n = 0; n < kReleaseKeySlots; ++n) {
        const std::string text = payload.ReleaseKey(n);
        if (text.empty())
            continue;
        if (const std::optional<PublicKey> key = ParsePublicKey(text))
            result.keys.push_back(*key);
        else
            result.damaged = true;
    }
    return result;
}
