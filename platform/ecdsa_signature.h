#pragma once
// ECDSA P-256 signatures as the maker's signing tool writes them (openssl dgst -sha256 -sign:
// a DER ECDSA-Sig-Value) and as the system's verifier takes them (r and s, 32 bytes each).

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace qs {

// A P-256 public key as its two coordinates X and Y, 32 big-endian bytes each.
using ecdsa_p256_public_key = std::array<std::uint8_t, 64>;
// A P-256 signature as r and s, 32 big-endian bytes each.
using ecdsa_p256_raw_signature = std::array<std::uint8_t, 64>;

// The longest DER signature of P-256: SEQUENCE header, two INTEGERs of 33 bytes with headers.
inline constexpr std::size_t max_ecdsa_p256_der_bytes = 72;

// r and s of a DER ECDSA-Sig-Value (SEQUENCE { INTEGER r, INTEGER s }). Only strict DER is
// taken: definite short lengths that match exactly, minimal positive non-zero integers of at
// most 32 significant bytes, nothing before or after. Anything else gives nullopt, so that a
// signature has one encoding only and no malformed input reaches the verifier.
std::optional<ecdsa_p256_raw_signature> ecdsa_der_to_raw(const std::vector<std::uint8_t>& der);

}  // namespace qs
