// A publisher's public key: an ECDSA P-256 point, X and Y of 32 bytes each, big-endian.
// Its text form is the 128 hex digits of X then Y; a public key file holds that text on
// one line, with lines starting with "#" as comments. Its id, which a signature file
// names, is the first 8 bytes of the SHA-256 of X and Y, as 16 hex digits.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TGFileInfo;

struct PublicKey {
    std::array<std::uint8_t, 64> xy{};
    bool operator==(const PublicKey& other) const { return xy == other.xy; }
};

// The key of a public key file's content or of the bare hex text; none for anything
// else (any other line, two keys, a wrong length).
std::optional<PublicKey> ParsePublicKey(const std::string& text);
std::string PublicKeyHex(const PublicKey& key);
// What keygen writes: a comment naming the key id, then the hex text.
std::string PublicKeyFileText(const PublicKey& key);
// The key id; empty when the system could not hash.
std::string KeyId(const PublicKey& key);

// The keys a setup's payload carries for its agent (none: an unkeyed product). A carried
// key that does not parse is kept out and reported through damaged, so that a keyed
// product never falls back to taking unsigned releases.
struct PayloadKeys {
    std::vector<PublicKey> keys;
    bool damaged = false;
    // Releases must be signed: the payload carries a key, even one that does not parse.
    bool Keyed() const { return !keys.empty() || damaged; }
};
PayloadKeys ReleaseKeysOf(const TGFileInfo& payload);
