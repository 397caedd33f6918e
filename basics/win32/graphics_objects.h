#pragma once
// The shared unit's graphics defaults as GDI objects: three fonts and the green pen.

#include <memory>

#include "basics/graphics_defaults.h"

namespace qs::win32 {

// The factory the program hands to the shared unit's start-up.
std::unique_ptr<graphics_objects> make_gdi_objects(const graphics_defaults& defaults);

}  // namespace qs::win32
