// The system's cryptography (CNG), looked up in bcrypt.dll of the system folder on first
// use: the launcher imports only libraries the system holds ready, and bcrypt.dll is not
// one of them, so an import would be looked for beside setup.exe first. Also the owners
// of its handles, which close through the same table.
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include "util/ScopedWin.h"

struct BcryptApi {
    decltype(&BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
    decltype(&BCryptGetProperty) getProperty = nullptr;
    decltype(&BCryptCreateHash) createHash = nullptr;
    decltype(&BCryptHashData) hashData = nullptr;
    decltype(&BCryptFinishHash) finishHash = nullptr;
    decltype(&BCryptDestroyHash) destroyHash = nullptr;
    decltype(&BCryptImportKeyPair) importKeyPair = nullptr;
    decltype(&BCryptDestroyKey) destroyKey = nullptr;
    decltype(&BCryptVerifySignature) verifySignature = nullptr;

    // Every function was found (systems before Vista have no CNG).
    bool Loaded() const;
};

// The table, filled once per process; its library stays loaded.
const BcryptApi& Bcrypt();

namespace scoped_traits {
struct BcryptAlgorithm {
    static BCRYPT_ALG_HANDLE none() { return nullptr; }
    static void close(BCRYPT_ALG_HANDLE h) { Bcrypt().closeAlgorithm(h, 0); }
};
struct BcryptHash {
    static BCRYPT_HASH_HANDLE none() { return nullptr; }
    static void close(BCRYPT_HASH_HANDLE h) { Bcrypt().destroyHash(h); }
};
struct BcryptKey {
    static BCRYPT_KEY_HANDLE none() { return nullptr; }
    static void close(BCRYPT_KEY_HANDLE h) { Bcrypt().destroyKey(h); }
};
} // namespace scoped_traits

using ScopedBcryptAlgorithm = ScopedWin<BCRYPT_ALG_HANDLE, scoped_traits::BcryptAlgorithm>;
using ScopedBcryptHash = ScopedWin<BCRYPT_HASH_HANDLE, scoped_traits::BcryptHash>;
using ScopedBcryptKey = ScopedWin<BCRYPT_KEY_HANDLE, scoped_traits::BcryptKey>;

// An algorithm provider of CNG (BCRYPT_SHA256_ALGORITHM ...); none when it cannot be had.
ScopedBcryptAlgorithm OpenBcryptAlgorithm(LPCWSTR algorithm);
