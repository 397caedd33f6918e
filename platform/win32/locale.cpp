#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
DWORD comparison_flags(bool ignore_case)
{
    return ignore_case ? NORM_IGNORECASE : 0;
}

// GetDateFormatW and GetTimeFormatW: ask for the size, then for the text.
template <typename Format>
std::wstring formatted_now(Format format)
{
    const int size = format(nullptr, 0);
    if (size <= 0) throw_last_error();
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int written = format(text.data(), size);
    if (written <= 0) throw_last_error();
    text.resize(static_cast<std::size_t>(written - 1));  // the count includes the NUL
    return text;
}
}  // namespace

std::wstring win32_platform::from_ansi(const std::string& bytes)
{
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) throw_last_error();
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

std::string win32_platform::to_ansi(const std::wstring& text)
{
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) throw_last_error();
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

std::wstring win32_platform::short_date()
{
    return formatted_now([](wchar_t* buffer, int size) {
        return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, size);
    });
}

std::wstring win32_platform::long_time()
{
    return formatted_now([](wchar_t* buffer, int size) {
        return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, size);
    });
}

int win32_platform::compare_locale(const std::wstring& a, const std::wstring& b, bool ignore_case)
{
    const int result = CompareStringW(LOCALE_USER_DEFAULT, comparison_flags(ignore_case), a.c_str(), -1,
                                      b.c_str(), -1);
    if (result == 0) throw_last_error();
    return result - CSTR_EQUAL;
}

std::string win32_platform::sort_key(const std::wstring& text, bool ignore_case)
{
    const DWORD flags = LCMAP_SORTKEY | comparison_flags(ignore_case);
    const int size = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, nullptr, 0);
    if (size <= 0) throw_last_error();
    std::string key(static_cast<std::size_t>(size), '\0');
    // With LCMAP_SORTKEY the destination is a byte buffer and its size is counted in bytes.
    const int written = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1,
                                     reinterpret_cast<LPWSTR>(key.data()), size);
    if (written <= 0) throw_last_error();
    key.resize(static_cast<std::size_t>(written));
    // The key ends in a NUL byte, which every key shares and which adds nothing to the order.
    if (!key.empty() && key.back() == '\0') key.pop_back();
    return key;
}

}  // namespace qs::win32
