#include <array>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
constexpr DWORD read_chunk = 1u << 20;  // 1 MiB: Wine's per-call cost is then negligible
constexpr std::size_t md5_bytes = 16;

// BCrypt reports NTSTATUS codes; their texts live in ntdll's message table.
[[noreturn]] void throw_status(NTSTATUS status)
{
    std::wstring text;
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        GetModuleHandleW(L"ntdll.dll"), static_cast<DWORD>(status), 0,
                                        reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    const local_memory owner(buffer);
    if (length != 0 && buffer != nullptr) text.assign(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    if (text.empty()) text = system_text(ERROR_INVALID_FUNCTION);
    throw system_error(text);
}

void check(NTSTATUS status)
{
    if (status < 0) throw_status(status);
}

std::wstring upper_hex(const std::array<UCHAR, md5_bytes>& digest)
{
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(2 * md5_bytes);
    for (UCHAR byte : digest) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

std::wstring md5_of_file(BCRYPT_ALG_HANDLE algorithm, const std::wstring& path, std::vector<UCHAR>& buffer)
{
    // Readers may share the file, writers may not, so the digest belongs to one content.
    const file_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) throw_last_error();

    bcrypt_hash hash;
    check(BCryptCreateHash(algorithm, hash.receive(), nullptr, 0, nullptr, 0, 0));
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            throw_last_error();
        if (got == 0) break;
        check(BCryptHashData(hash.get(), buffer.data(), got, 0));
    }
    std::array<UCHAR, md5_bytes> digest{};
    check(BCryptFinishHash(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
    return upper_hex(digest);
}
}  // namespace

std::vector<std::wstring> win32_platform::md5_hex_of_files(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> digests;
    if (paths.empty()) return digests;
    bcrypt_algorithm algorithm;
    check(BCryptOpenAlgorithmProvider(algorithm.receive(), BCRYPT_MD5_ALGORITHM, nullptr, 0));
    std::vector<UCHAR> buffer(read_chunk);
    digests.reserve(paths.size());
    for (const std::wstring& path : paths) digests.push_back(md5_of_file(algorithm.get(), path, buffer));
    return digests;
}

}  // namespace qs::win32
