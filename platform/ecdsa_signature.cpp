#include "platform/ecdsa_signature.h"

#include <algorithm>

namespace qs {
namespace {

constexpr std::uint8_t der_sequence = 0x30;
constexpr std::uint8_t der_integer = 0x02;
constexpr std::size_t coordinate_bytes = 32;

// Reads one INTEGER at `at` into the 32 bytes of `out`, right-aligned; moves `at` past it.
bool read_integer(const std::vector<std::uint8_t>& der, std::size_t& at, std::uint8_t* out)
{
    if (der.size() - at < 2 || der[at] != der_integer) return false;
    const std::size_t length = der[at + 1];
    at += 2;
    // Short-form lengths only: a P-256 integer never needs more, and DER forbids the long form
    // below 128.
    if (length == 0 || length > coordinate_bytes + 1 || der.size() - at < length) return false;
    const std::uint8_t* value = der.data() + at;
    at += length;
    if ((value[0] & 0x80) != 0) return false;  // negative
    std::size_t skip = 0;
    if (value[0] == 0) {
        // One leading zero only, and only where the next byte would otherwise read as negative;
        // this also refuses the value zero.
        if (length == 1 || (value[1] & 0x80) == 0) return false;
        skip = 1;
    }
    const std::size_t significant = length - skip;
    if (significant > coordinate_bytes) return false;
    std::copy(value + skip, value + length, out + (coordinate_bytes - significant));
    return true;
}

}  // namespace

std::optional<ecdsa_p256_raw_signature> ecdsa_der_to_raw(const std::vector<std::uint8_t>& der)
{
    if (der.size() < 2 || der.size() > max_ecdsa_p256_der_bytes || der[0] != der_sequence) return std::nullopt;
    if (der[1] >= 0x80 || der[1] != der.size() - 2) return std::nullopt;
    ecdsa_p256_raw_signature raw{};
    std::size_t at = 2;
    if (!read_integer(der, at, raw.data()) || !read_integer(der, at, raw.data() + coordinate_bytes))
        return std::nullopt;
    if (at != der.size()) return std::nullopt;
    return raw;
}

}  // namespace qs
