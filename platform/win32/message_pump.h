#pragma once
// Handling the messages that wait for this thread's windows, without blocking.

#include <windows.h>

namespace qs::win32 {

// Dispatches every message waiting now. A WM_QUIT is posted again for the main message loop, which
// must see it, and ends the pumping.
void pump_pending_messages();

}  // namespace qs::win32
