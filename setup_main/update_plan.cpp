#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::compare_file_lists() { throw system_error(L"not built yet"); }
void Tsetup_main_page::show_files_to_delete(const std::vector<std::wstring>&) { throw system_error(L"not built yet"); }
}  // namespace qs
