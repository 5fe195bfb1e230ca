#include "trust/BcryptWin.h"

#include "util/SysUtilsWin.h"

namespace {

BcryptApi LoadBcrypt()
{
    BcryptApi api;
    const HMODULE library = LoadSystemLibrary("bcrypt.dll").release();
    api.openAlgorithm = ProcFrom<decltype(api.openAlgorithm)>(library, "BCryptOpenAlgorithmProvider");
    api.closeAlgorithm = ProcFrom<decltype(api.closeAlgorithm)>(library, "BCryptCloseAlgorithmProvider");
    api.getProperty = ProcFrom<decltype(api.getProperty)>(library, "BCryptGetProperty");
    api.createHash = ProcFrom<decltype(api.createHash)>(library, "BCryptCreateHash");
    api.hashData = ProcFrom<decltype(api.hashData)>(library, "BCryptHashData");
    api.finishHash = ProcFrom<decltype(api.finishHash)>(library, "BCryptFinishHash");
    api.destroyHash = ProcFrom<decltype(api.destroyHash)>(library, "BCryptDestroyHash");
    api.importKeyPair = ProcFrom<decltype(api.importKeyPair)>(library, "BCryptImportKeyPair");
    api.destroyKey = ProcFrom<decltype(api.destroyKey)>(library, "BCryptDestroyKey");
    api.verifySignature = ProcFrom<decltype(api.verifySignature)>(library, "BCryptVerifySignature");
    return api;
}

} // namespace

bool BcryptApi::Loaded() const
{
    return openAlgorithm && closeAlgorithm && getProperty && createHash && hashData && finishHash && destroyHash &&
           importKeyPair && destroyKey && verifySignature;
}

const BcryptApi& Bcrypt()
{
    static const BcryptApi api = LoadBcrypt();
    return api;
}

ScopedBcryptAlgorithm OpenBcryptAlgorithm(LPCWSTR algorithm)
{
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!Bcrypt().Loaded() || !BCRYPT_SUCCESS(Bcrypt().openAlgorithm(&handle, algorithm, nullptr, 0)))
        return ScopedBcryptAlgorithm();
    return ScopedBcryptAlgorithm(handle);
}
