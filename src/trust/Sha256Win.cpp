// SHA-256 through CNG.
#include "trust/Sha256.h"

#include <algorithm>
#include <vector>

#include "trust/BcryptWin.h"

// Members go in reverse: the hash before its memory and its algorithm.
struct Sha256::State {
    ScopedBcryptAlgorithm algorithm;
    std::vector<UCHAR> object; // the hash object's memory, which CNG wants from its caller
    ScopedBcryptHash hash;
    bool failed = false;
};

Sha256::Sha256() : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.algorithm = OpenBcryptAlgorithm(BCRYPT_SHA256_ALGORITHM);
    DWORD objectSize = 0;
    ULONG got = 0;
    if (!s.algorithm ||
        !BCRYPT_SUCCESS(Bcrypt().getProperty(s.algorithm.get(), BCRYPT_OBJECT_LENGTH,
                                             reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize, &got, 0))) {
        s.failed = true;
        return;
    }
    s.object.resize(objectSize);
    BCRYPT_HASH_HANDLE hash = nullptr;
    s.failed = !BCRYPT_SUCCESS(Bcrypt().createHash(s.algorithm.get(), &hash, s.object.data(),
                                                   static_cast<ULONG>(s.object.size()), nullptr, 0, 0));
    s.hash.reset(hash);
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::Add(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const UCHAR*>(data);
    while (state_ && !state_->failed && size > 0) {
        // CNG takes a ULONG length: a larger piece goes in parts.
        const ULONG part = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
        state_->failed = !BCRYPT_SUCCESS(Bcrypt().hashData(state_->hash.get(), const_cast<PUCHAR>(bytes), part, 0));
        bytes += part;
        size -= part;
    }
}

std::optional<Sha256Digest> Sha256::Finish()
{
    if (!state_ || state_->failed)
        return std::nullopt;
    Sha256Digest digest{};
    const bool done =
        BCRYPT_SUCCESS(Bcrypt().finishHash(state_->hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
    state_.reset();
    return done ? std::optional<Sha256Digest>(digest) : std::nullopt;
}
