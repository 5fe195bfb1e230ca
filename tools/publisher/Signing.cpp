#include "Signing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

template <class T, void (*Free)(T*)> struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using Bignum = std::unique_ptr<BIGNUM, Freer<BIGNUM, BN_free>>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, Freer<EVP_MD_CTX, EVP_MD_CTX_free>>;
using Sig = std::unique_ptr<ECDSA_SIG, Freer<ECDSA_SIG, ECDSA_SIG_free>>;

// Fails when path exists: O_EXCL, so that two runs cannot both write it either.
void WriteNewFile(const std::string& path, const std::string& content, mode_t mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0)
        throw std::runtime_error(path + ": cannot be created (" + std::strerror(errno) + ")" +
                                 (errno == EEXIST ? "; a key file is never replaced" : ""));
    const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        throw std::runtime_error(path + ": cannot be written");
    }
}

bool IsP256(EVP_PKEY* key)
{
    char group[64] = {};
    size_t size = 0;
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &size) == 1 &&
           std::strcmp(group, "prime256v1") == 0;
}

bool PublicOf(EVP_PKEY* key, PublicKey& out)
{
    BIGNUM* x = nullptr;
    BIGNUM* y = nullptr;
    const bool got = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
                     EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1;
    const Bignum ownX(x), ownY(y);
    return got && BN_bn2binpad(x, out.xy.data(), 32) == 32 && BN_bn2binpad(y, out.xy.data() + 32, 32) == 32;
}

} // namespace

struct ReleaseSigner::Key {
    Pkey pkey;
};

PublicKey GenerateKeyFiles(const std::string& privatePath, const std::string& publicPath)
{
    struct stat seen {};
    if (::stat(publicPath.c_str(), &seen) == 0)
        throw std::runtime_error(publicPath + ": exists; a key file is never replaced");
    const Pkey key(EVP_EC_gen("P-256"));
    PublicKey pub;
    const Bio pem(BIO_new(BIO_s_mem()));
    if (!key || !PublicOf(key.get(), pub) || !pem ||
        PEM_write_bio_PrivateKey(pem.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        throw std::runtime_error("the system's libcrypto could not make a P-256 key");
    char* data = nullptr;
    const long size = BIO_get_mem_data(pem.get(), &data);
    WriteNewFile(privatePath, std::string(data, static_cast<size_t>(size)), 0600);
    try {
        WriteNewFile(publicPath, PublicKeyFileText(pub), 0644);
    } catch (...) {
        ::unlink(privatePath.c_str());
        throw;
    }
    return pub;
}

ReleaseSigner::ReleaseSigner(const std::string& privatePath) : key_(std::make_unique<Key>())
{
    const Bio file(BIO_new_file(privatePath.c_str(), "r"));
    if (!file)
        throw std::runtime_error(privatePath + ": cannot be read");
    key_->pkey.reset(PEM_read_bio_PrivateKey(file.get(), nullptr, nullptr, nullptr));
    if (!key_->pkey || !IsP256(key_->pkey.get()) || !PublicOf(key_->pkey.get(), public_))
        throw std::runtime_error(privatePath + ": is not an ECDSA P-256 private key in PEM form (publisher keygen "
                                               "writes one)");
}

ReleaseSigner::~ReleaseSigner() = default;

SignatureFile ReleaseSigner::Sign(const std::string& bytes) const
{
    const MdCtx context(EVP_MD_CTX_new());
    size_t derSize = 0;
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key_->pkey.get()) != 1 ||
        EVP_DigestSign(context.get(), nullptr, &derSize, reinterpret_cast<const unsigned char*>(bytes.data()),
                       bytes.size()) != 1)
        throw std::runtime_error("the system's libcrypto could not sign");
    std::string der(derSize, '\0');
    auto* derData = reinterpret_cast<unsigned char*>(der.data());
    if (EVP_DigestSign(context.get(), derData, &derSize, reinterpret_cast<const unsigned char*>(bytes.data()),
                       bytes.size()) != 1)
        throw std::runtime_error("the system's libcrypto could not sign");
    // CNG takes r and s as they are, 32 bytes each, not the DER form libcrypto gives.
    const unsigned char* read = derData;
    const Sig sig(d2i_ECDSA_SIG(nullptr, &read, static_cast<long>(derSize)));
    SignatureFile file;
    if (!sig || BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), file.signature.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), file.signature.data() + 32, 32) != 32)
        throw std::runtime_error("the system's libcrypto gave a signature of another form");
    file.keyId = KeyId(public_);
    return file;
}
