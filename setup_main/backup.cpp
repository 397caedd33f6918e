#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::generate_backup() { throw system_error(L"not built yet"); }
void Tsetup_main_page::choose_backup_folder() { throw system_error(L"not built yet"); }
void Tsetup_main_page::copy_program_folder() { throw system_error(L"not built yet"); }
void Tsetup_main_page::copy_application_data() { throw system_error(L"not built yet"); }
}  // namespace qs
