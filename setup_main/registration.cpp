#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::register_components(const std::wstring&) { throw system_error(L"not built yet"); }
void Tsetup_main_page::re_register_components() { throw system_error(L"not built yet"); }
bool Tsetup_main_page::InstallExt(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, int) { throw system_error(L"not built yet"); }
}  // namespace qs
