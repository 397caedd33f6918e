#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
DWORD comparison_flags(bool ignore_case)
{
    return ignore_case ? NORM_IGNORECASE : 0;
}

// LCMapStringW LCMAP_SORTKEY into the buffer; returns the key's length. The buffer grows only when
// a key does not fit, so nearly every text costs one call instead of a size query and a fill.
std::size_t map_sort_key(const std::wstring& text, bool ignore_case, std::string& buffer)
{
    const DWORD flags = LCMAP_SORTKEY | comparison_flags(ignore_case);
    // With LCMAP_SORTKEY the destination is a byte buffer and its size is counted in bytes.
    auto map = [&] {
        return LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, reinterpret_cast<LPWSTR>(buffer.data()),
                            static_cast<int>(buffer.size()));
    };
    int written = map();
    if (written <= 0) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) throw_last_error();
        const int size = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, nullptr, 0);
        if (size <= 0) throw_last_error();
        buffer.resize(static_cast<std::size_t>(size));
        written = map();
        if (written <= 0) throw_last_error();
    }
    auto length = static_cast<std::size_t>(written);
    // The key ends in a NUL byte, which every key shares and which adds nothing to the order.
    if (buffer[length - 1] == '\0') --length;
    return length;
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
    std::string buffer(4 * text.size() + 64, '\0');
    buffer.resize(map_sort_key(text, ignore_case, buffer));
    return buffer;
}

sort_key_table win32_platform::sort_keys(const std::vector<std::wstring>& texts, bool ignore_case)
{
    sort_key_table table;
    table.ends.reserve(texts.size());
    // Keys take about two bytes a character: room for that saves most regrowing of the store.
    std::size_t characters = 0;
    for (const std::wstring& text : texts) characters += text.size() + 4;
    table.bytes.reserve(2 * characters);
    std::string buffer(4096, '\0');
    for (const std::wstring& text : texts) {
        table.bytes.append(buffer.data(), map_sort_key(text, ignore_case, buffer));
        table.ends.push_back(table.bytes.size());
    }
    return table;
}

}  // namespace qs::win32
