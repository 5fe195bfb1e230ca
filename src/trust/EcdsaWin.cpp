// Verification through CNG: the key imported as a public ECC blob.
#include "trust/Ecdsa.h"

#include <algorithm>

#include "trust/BcryptWin.h"

bool VerifyP256(const PublicKey& key, const Sha256Digest& digest, const EcdsaSignature& signature)
{
    const ScopedBcryptAlgorithm algorithm = OpenBcryptAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!algorithm)
        return false;
    UCHAR blob[sizeof(BCRYPT_ECCKEY_BLOB) + 64];
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const UCHAR*>(&header), sizeof header, blob);
    std::copy(key.xy.begin(), key.xy.end(), blob + sizeof header);
    BCRYPT_KEY_HANDLE handle = nullptr;
    if (!BCRYPT_SUCCESS(
            Bcrypt().importKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob, sizeof blob, 0)))
        return false;
    const ScopedBcryptKey imported(handle);
    // CNG wants writable buffers for what it only reads.
    Sha256Digest hash = digest;
    EcdsaSignature sig = signature;
    return Bcrypt().verifySignature(imported.get(), nullptr, hash.data(), static_cast<ULONG>(hash.size()), sig.data(),
                                    static_cast<ULONG>(sig.size()), 0) == 0; // STATUS_SUCCESS
}
