// The native build's verification: the host's libcrypto.
#include "trust/Ecdsa.h"

#include <algorithm>
#include <memory>

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

namespace {

template <class T, void (*Free)(T*)> struct Freer {
    void operator()(T* p) const { Free(p); }
};
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using Pkey = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using ParamBuild = std::unique_ptr<OSSL_PARAM_BLD, Freer<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>>;
using Params = std::unique_ptr<OSSL_PARAM, Freer<OSSL_PARAM, OSSL_PARAM_free>>;
using Sig = std::unique_ptr<ECDSA_SIG, Freer<ECDSA_SIG, ECDSA_SIG_free>>;
struct DerFree {
    void operator()(unsigned char* p) const { OPENSSL_free(p); }
};

Pkey ImportKey(const PublicKey& key)
{
    unsigned char point[65] = {4}; // uncompressed: 04, X, Y
    std::copy(key.xy.begin(), key.xy.end(), point + 1);
    const ParamBuild build(OSSL_PARAM_BLD_new());
    if (!build || !OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0) ||
        !OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point))
        return nullptr;
    const Params params(OSSL_PARAM_BLD_to_param(build.get()));
    const PkeyCtx context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* imported = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &imported, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
        return nullptr;
    return Pkey(imported);
}

} // namespace

bool VerifyP256(const PublicKey& key, const Sha256Digest& digest, const EcdsaSignature& signature)
{
    const Pkey pkey = ImportKey(key);
    if (!pkey)
        return false;
    // libcrypto takes the DER form of (r, s).
    Sig sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
    if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(sig.get(), &der);
    const std::unique_ptr<unsigned char, DerFree> ownedDer(der);
    const PkeyCtx context(EVP_PKEY_CTX_new(pkey.get(), nullptr));
    return derSize > 0 && context && EVP_PKEY_verify_init(context.get()) == 1 &&
           EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) == 1 &&
           EVP_PKEY_verify(context.get(), der, static_cast<size_t>(derSize), digest.data(), digest.size()) == 1;
}
