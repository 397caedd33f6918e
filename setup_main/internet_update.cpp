#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::Button4Click() { throw system_error(L"not built yet"); }
void Tsetup_main_page::download_plan_files(const std::vector<std::wstring>&) { throw system_error(L"not built yet"); }
std::wstring Tsetup_main_page::live_filename(const std::wstring&) const { throw system_error(L"not built yet"); }
bool Tsetup_main_page::get_live_file(const std::wstring&, const std::wstring&) { throw system_error(L"not built yet"); }
}  // namespace qs
