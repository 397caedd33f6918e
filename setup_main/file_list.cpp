#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::Button5Click() { throw system_error(L"not built yet"); }
void Tsetup_main_page::generate_file_list(const std::wstring&) { throw system_error(L"not built yet"); }
void Tsetup_main_page::list_folder_files(const std::wstring&, const std::wstring&, std::vector<std::wstring>&) { throw system_error(L"not built yet"); }
}  // namespace qs
