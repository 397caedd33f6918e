#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/win32/digest_stream.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
constexpr std::size_t sha256_bytes = 32;
constexpr std::size_t coordinate_bytes = 32;
}  // namespace

// Everything up to the key is the system's to provide, and its failure is an error; what
// BCryptVerifySignature then refuses, for whatever reason, is a signature that is not valid.
bool win32_platform::verify_signature(const std::vector<std::uint8_t>& data,
                                      const std::vector<std::uint8_t>& der_signature,
                                      const ecdsa_p256_public_key& public_key)
{
    std::optional<ecdsa_p256_raw_signature> raw = ecdsa_der_to_raw(der_signature);
    if (!raw) return false;
    digest_stream sha256(BCRYPT_SHA256_ALGORITHM, sha256_bytes);
    sha256.add(data.data(), data.size());
    std::vector<UCHAR> digest = sha256.finish();

    // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y.
    std::array<UCHAR, sizeof(BCRYPT_ECCKEY_BLOB) + 2 * coordinate_bytes> blob{};
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, static_cast<ULONG>(coordinate_bytes)};
    std::memcpy(blob.data(), &header, sizeof header);
    std::copy(public_key.begin(), public_key.end(), blob.begin() + sizeof header);

    bcrypt_algorithm algorithm;
    check_status(bcrypt().open_algorithm_provider(algorithm.receive(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0));
    bcrypt_key key;
    check_status(bcrypt().import_key_pair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.receive(),
                                          blob.data(), static_cast<ULONG>(blob.size()), 0));
    const NTSTATUS status = bcrypt().verify_signature(key.get(), nullptr, digest.data(),
                                                      static_cast<ULONG>(digest.size()), raw->data(),
                                                      static_cast<ULONG>(raw->size()), 0);
    return status == 0;
}

}  // namespace qs::win32
