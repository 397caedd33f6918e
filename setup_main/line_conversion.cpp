#include "setup_main/setup_main_page.h"

// Not built yet.
namespace qs {
void Tsetup_main_page::Button1Click() { throw system_error(L"not built yet"); }
}  // namespace qs
