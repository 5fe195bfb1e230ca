// The native build's SHA-256: the host's libcrypto (the tools and the native tests).
#include "trust/Sha256.h"

#include <openssl/evp.h>

struct Sha256::State {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context{EVP_MD_CTX_new(), &EVP_MD_CTX_free};
    bool failed = false;
};

Sha256::Sha256() : state_(std::make_unique<State>())
{
    state_->failed = !state_->context || EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::Add(const void* data, std::size_t size)
{
    if (state_ && !state_->failed && size > 0)
        state_->failed = EVP_DigestUpdate(state_->context.get(), data, size) != 1;
}

std::optional<Sha256Digest> Sha256::Finish()
{
    if (!state_ || state_->failed)
        return std::nullopt;
    Sha256Digest digest{};
    unsigned int size = 0;
    const bool done = EVP_DigestFinal_ex(state_->context.get(), digest.data(), &size) == 1 && size == digest.size();
    state_.reset();
    return done ? std::optional<Sha256Digest>(digest) : std::nullopt;
}
