#include "platform/win32/digest_stream.h"

#include <algorithm>

namespace qs::win32 {

digest_stream::digest_stream(const wchar_t* algorithm, std::size_t digest_bytes) : digest_bytes_(digest_bytes)
{
    check_status(bcrypt().open_algorithm_provider(algorithm_.receive(), algorithm, nullptr, 0));
    check_status(bcrypt().create_hash(algorithm_.get(), hash_.receive(), nullptr, 0, nullptr, 0, 0));
}

void digest_stream::add(const void* data, std::size_t size)
{
    // BCrypt takes a ULONG length: larger data goes in pieces.
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (size > 0) {
        const auto piece = static_cast<ULONG>(std::min<std::size_t>(size, 1u << 30));
        check_status(bcrypt().hash_data(hash_.get(), bytes, piece, 0));
        bytes += piece;
        size -= piece;
    }
}

std::vector<UCHAR> digest_stream::finish()
{
    std::vector<UCHAR> digest(digest_bytes_);
    check_status(bcrypt().finish_hash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
    return digest;
}

std::wstring upper_hex(const UCHAR* digest, std::size_t size)
{
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(2 * size);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(digits[digest[i] >> 4]);
        text.push_back(digits[digest[i] & 0x0F]);
    }
    return text;
}

}  // namespace qs::win32
