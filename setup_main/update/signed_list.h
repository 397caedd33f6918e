#pragma once
// The maker's signature of the update server's file list. The publishing tool writes it beside
// the list as a small text file:
//
//   application: SpectraDemo
//   release: 12
//   signature: MEUCIQ...   (base64 of the DER ECDSA P-256 signature)
//
// The signature covers the first two lines, each ended by CR LF, followed by the list's bytes,
// so that a list signed for one application, or for an older release, cannot pass for another.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qs::update {

struct list_signature {
    std::wstring application;
    std::uint64_t release = 0;
    std::vector<std::uint8_t> der_signature;
};

// A release number as the signature file, the journal and the release record write it: decimal
// digits only, at most 19 of them (so it fits 64 bits); nothing for anything else.
std::optional<std::uint64_t> parse_release(std::string_view text);

// Nothing when the bytes are not such a file.
std::optional<list_signature> parse_list_signature(const std::vector<std::uint8_t>& bytes);

// "application: NAME" CR LF "release: N" CR LF, in UTF-8: what precedes the list in what is signed.
std::string signature_heading(const std::wstring& application, std::uint64_t release);
// The bytes the signature covers.
std::vector<std::uint8_t> signed_bytes(const list_signature& signature, const std::vector<std::uint8_t>& list);

// Base64 (RFC 4648, with padding) both ways; decoding gives nothing for anything else.
std::string base64_encode(const std::vector<std::uint8_t>& bytes);
std::optional<std::vector<std::uint8_t>> base64_decode(const std::string& text);

}  // namespace qs::update
