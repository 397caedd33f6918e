#include "setup_main/update/signed_list.h"

#include "platform/utf8.h"

namespace qs::update {
namespace {

constexpr const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int base64_value(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// "key: value" lines in this order, each ended by CR LF or LF; a final break may be missing.
std::optional<std::vector<std::string>> values_of(const std::string& text, const std::vector<std::string>& keys)
{
    std::vector<std::string> values;
    std::size_t at = 0;
    for (const std::string& key : keys) {
        const std::string prefix = key + ": ";
        if (text.compare(at, prefix.size(), prefix) != 0) return std::nullopt;
        at += prefix.size();
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string value = text.substr(at, end - at);
        if (!value.empty() && value.back() == '\r') value.pop_back();
        values.push_back(std::move(value));
        at = end == text.size() ? end : end + 1;
    }
    if (at != text.size()) return std::nullopt;
    return values;
}

}  // namespace

std::optional<std::uint64_t> parse_release(std::string_view text)
{
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::stoull(std::string(text));
}

std::optional<list_signature> parse_list_signature(const std::vector<std::uint8_t>& bytes)
{
    const std::string text(bytes.begin(), bytes.end());
    const auto values = values_of(text, {"application", "release", "signature"});
    if (!values) return std::nullopt;
    const std::string& application = (*values)[0];
    const std::optional<std::uint64_t> release = parse_release((*values)[1]);
    if (application.empty() || !release) return std::nullopt;
    // The name must come back byte for byte, or the signed heading would not be the one read.
    const std::wstring name = utf8_to_wide(application);
    if (wide_to_utf8(name) != application) return std::nullopt;
    const auto der = base64_decode((*values)[2]);
    if (!der || der->empty()) return std::nullopt;
    return list_signature{name, *release, *der};
}

std::string signature_heading(const std::wstring& application, std::uint64_t release)
{
    return "application: " + wide_to_utf8(application) + "\r\nrelease: " + std::to_string(release) + "\r\n";
}

std::vector<std::uint8_t> signed_bytes(const list_signature& signature, const std::vector<std::uint8_t>& list)
{
    const std::string heading = signature_heading(signature.application, signature.release);
    std::vector<std::uint8_t> bytes(heading.begin(), heading.end());
    bytes.insert(bytes.end(), list.begin(), list.end());
    return bytes;
}

std::string base64_encode(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t n = static_cast<std::uint32_t>(bytes[i]) << 16 |
                                (i + 1 < bytes.size() ? static_cast<std::uint32_t>(bytes[i + 1]) << 8 : 0) |
                                (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        text.push_back(alphabet[n >> 18 & 63]);
        text.push_back(alphabet[n >> 12 & 63]);
        text.push_back(i + 1 < bytes.size() ? alphabet[n >> 6 & 63] : '=');
        text.push_back(i + 2 < bytes.size() ? alphabet[n & 63] : '=');
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> base64_decode(const std::string& text)
{
    if (text.size() % 4 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        if (padding == 1 && text[i + 2] == '=') return std::nullopt;  // "x=y=" is no padding
        std::uint32_t n = 0;
        for (int k = 0; k < 4; ++k) {
            const int v = k >= 4 - padding ? 0 : base64_value(text[i + static_cast<std::size_t>(k)]);
            if (v < 0) return std::nullopt;
            n = n << 6 | static_cast<std::uint32_t>(v);
        }
        bytes.push_back(static_cast<std::uint8_t>(n >> 16));
        if (padding < 2) bytes.push_back(static_cast<std::uint8_t>(n >> 8 & 0xFF));
        if (padding < 1) bytes.push_back(static_cast<std::uint8_t>(n & 0xFF));
    }
    return bytes;
}

}  // namespace qs::update
