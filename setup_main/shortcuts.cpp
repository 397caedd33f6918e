#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::launch_program(const std::wstring&) { throw system_error(L"not built yet"); }
void Tsetup_main_page::create_help_shortcuts(const std::wstring&) { throw system_error(L"not built yet"); }
void Tsetup_main_page::create_desktop_link(const std::wstring&, const std::wstring&) { throw system_error(L"not built yet"); }
}  // namespace qs
