#pragma once
// DLLs that the program loads at first use rather than importing, always from the system folder:
// a DLL of the same name beside the program (on an installation medium, say) is never loaded.

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

// The DLL from the system folder; throws system_error with the system's text when it is not there.
library_module load_system_library(const wchar_t* name);

// Sets `function` to the DLL's function of that name; throws system_error when it has none.
// GetProcAddress hands every function out as FARPROC; the detour through a function type without
// arguments is the cast the compiler accepts between unrelated function types.
template <typename Function>
void resolve(HMODULE library, const char* name, Function& function)
{
    const FARPROC address = GetProcAddress(library, name);
    if (address == nullptr) throw_last_error();
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace qs::win32
