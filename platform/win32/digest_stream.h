#pragma once
// A BCrypt hash of bytes as they pass by: the MD5 of a download while it is written, the SHA-256
// of a signed list.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32/handles.h"

namespace qs::win32 {

inline constexpr std::size_t md5_bytes = 16;

class digest_stream {
public:
    // An algorithm such as BCRYPT_MD5_ALGORITHM, and the length of its digests in bytes.
    digest_stream(const wchar_t* algorithm, std::size_t digest_bytes);
    void add(const void* data, std::size_t size);
    // The digest of everything added.
    std::vector<UCHAR> finish();

private:
    bcrypt_algorithm algorithm_;
    bcrypt_hash hash_;
    std::size_t digest_bytes_;
};

// A digest as upper-case hexadecimal digits, high nibble first, as the file list writes MD5s.
std::wstring upper_hex(const UCHAR* digest, std::size_t size);

}  // namespace qs::win32
