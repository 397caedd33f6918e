#include "platform/platform.h"

#include <string>

namespace qs {
namespace {
// what() is for diagnostics only; the program shows text(). Non-ASCII becomes '?'.
std::string ascii_of(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}
}  // namespace

system_error::system_error(std::wstring text, std::uint32_t code)
    : std::runtime_error(ascii_of(text)), text_(std::move(text)), code_(code)
{
}

}  // namespace qs
