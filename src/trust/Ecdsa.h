// ECDSA P-256 verification of a SHA-256 digest, by the system's implementation (CNG on
// Windows, the host's libcrypto natively). A signature is r and s of 32 bytes each,
// big-endian: the form CNG takes and gives.
#pragma once

#include <array>
#include <cstdint>

#include "trust/PublicKey.h"
#include "trust/Sha256.h"

using EcdsaSignature = std::array<std::uint8_t, 64>;

// True only when the signature is valid for the digest under the key; a key that is no
// point of the curve, or a system that cannot verify, gives false.
bool VerifyP256(const PublicKey& key, const Sha256Digest& digest, const EcdsaSignature& signature);
