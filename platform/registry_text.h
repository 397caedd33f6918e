#pragma once
// The text of a registry value as Windows stores it: UTF-16 little-endian bytes.

#include <optional>
#include <string>

#include "platform/platform.h"

namespace qs {

// The text of a REG_SZ or REG_EXPAND_SZ value without its terminating nulls; nothing for any
// other type.
inline std::optional<std::wstring> text_of(const registry_data& data)
{
    if (data.type != reg_type::sz && data.type != reg_type::expand_sz) return std::nullopt;
    std::wstring text;
    for (std::size_t i = 0; i + 1 < data.bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(data.bytes[i] | (data.bytes[i + 1] << 8)));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

}  // namespace qs
