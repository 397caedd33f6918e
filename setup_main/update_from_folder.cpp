#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::update_action() { throw system_error(L"not built yet"); }
}  // namespace qs
