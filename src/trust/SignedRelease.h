// A signed release: the ".info" bytes as served, and the detached signature served
// beside them as the ".info" name + ".sig". The signature is checked before a single
// value of the ".info" is read; then the values that make the files trustworthy are read
// from the same bytes: the size and SHA-256 of every file the release serves, and its
// expiry.
//
// Signature file (text, lines end in LF or CRLF, at most 4 KiB):
//   KalvexSignature 1
//   Key=<the signing key's id: 16 hex digits, see PublicKey.h>
//   Signature=<ECDSA P-256 over the SHA-256 of the exact ".info" bytes: r then s, 128 hex digits>
//
// What the publisher adds to the ".info" (old agents ignore unknown keys):
//   [NewSetup]   Sha256OfUpdateFile=<64 hex digits>   beside SizeOfUpdateFile
//   [AutoInform] Sha256OfInformFile=<64 hex digits>   beside SizeOfInformFile
//   [General]    Expires=YYYY-MM-DDTHH:MM:SSZ          (UTC; only when the release asks)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "trust/Ecdsa.h"
#include "trust/PublicKey.h"
#include "trust/Sha256.h"

constexpr const char kSignatureSuffix[] = ".sig";
constexpr const char kUpdateHashKey[] = "Sha256OfUpdateFile";
constexpr const char kInformHashKey[] = "Sha256OfInformFile";
constexpr const char kExpiresKey[] = "Expires";

struct SignatureFile {
    std::string keyId;
    EcdsaSignature signature{};
};
std::string SignatureFileText(const SignatureFile& signature);
std::optional<SignatureFile> ParseSignatureFile(const std::string& text);

// Times of a release are seconds since 1970-01-01 00:00 UTC, written
// "YYYY-MM-DDTHH:MM:SSZ" (years 1970 to 9999).
std::string UtcTimeText(std::int64_t seconds);
std::optional<std::int64_t> ParseUtcTime(const std::string& text);

enum class ReleaseTrust { Verified, Unsigned, BadSignature, ForeignKey, Malformed, Expired };

// A file the release serves, as signed.
struct SignedFile {
    std::string name;
    std::int64_t size = 0;
    Sha256Digest sha256{};
};

struct ReleaseVerdict {
    ReleaseTrust trust = ReleaseTrust::Unsigned;
    std::string reason;               // why the release is refused, for the log; empty when verified
    int keyIndex = -1;                // the key (of those given) that made the signature
    std::optional<SignedFile> update; // NameOfUpdateFile, when the release names one
    std::optional<SignedFile> inform; // NameOfInformFile, likewise
    std::optional<std::int64_t> expires;
    bool Verified() const { return trust == ReleaseTrust::Verified; }
};

// The verdict on a release for a product that trusts keys, at the time nowUtc. signature
// is empty when none was served. Only a verified verdict carries files and expiry.
ReleaseVerdict VerifyRelease(const std::string& info, const std::string& signature, const std::vector<PublicKey>& keys,
                             std::int64_t nowUtc);
