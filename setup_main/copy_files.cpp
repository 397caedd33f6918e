#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::copy_files() { throw system_error(L"not built yet"); }
std::wstring Tsetup_main_page::source_dir_name_only(const std::wstring&) const { throw system_error(L"not built yet"); }
}  // namespace qs
