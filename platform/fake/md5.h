#pragma once
// MD5 (RFC 1321), for the fake platform's digests. The program itself hashes through BCrypt.
#include <array>
#include <cstdint>
#include <string>

namespace qs::fake {
std::array<std::uint8_t, 16> md5(const std::string& data);
std::wstring md5_hex(const std::string& data);  // 32 upper-case hexadecimal digits
}  // namespace qs::fake
