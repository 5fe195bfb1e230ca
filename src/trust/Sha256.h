// SHA-256, fed piece by piece so that a download can be hashed as it is written. The
// system's own implementation does the work: CNG (bcrypt.dll) on Windows, the host's
// libcrypto in the native build, so the launcher carries no cryptographic code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(const void* data, std::size_t size);
    void Add(const std::string& bytes) { Add(bytes.data(), bytes.size()); }
    // The digest of everything added; none when the system could not hash (no CNG, a
    // failed call), which never equals an expected digest. The object is spent after it.
    std::optional<Sha256Digest> Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

std::optional<Sha256Digest> Sha256Of(const std::string& bytes);
// The digest of a file's bytes; none when it cannot be read.
std::optional<Sha256Digest> Sha256OfFile(const std::string& path);
// 64 hex digits (any case); none for anything else.
std::optional<Sha256Digest> Sha256FromHex(const std::string& text);
std::string Sha256Hex(const Sha256Digest& digest);
