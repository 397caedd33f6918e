#pragma once
// The real Win32 platform behind a class whose functions a test can override one by one: the
// suites under Wine answer the dialogs or move the "running program" this way, while everything
// else still goes to Windows unchanged.

#include "platform/forwarding_platform.h"
#include "platform/win32/win32_platform.h"

namespace qs::wine_test {

// Made before the forwarding base, which is handed it.
struct owned_win32_platform {
    win32::win32_platform win32;
};

class forwarding_platform : private owned_win32_platform, public qs::forwarding_platform {
public:
    forwarding_platform() : qs::forwarding_platform(owned_win32_platform::win32) {}
};

}  // namespace qs::wine_test
