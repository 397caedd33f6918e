#pragma once
// A background photograph of a window: decoded once from a resource of the program (WIC, JPEG
// into 32-bit BGRA) and drawn stretched over a rectangle.

#include <windows.h>

#include <cstdint>
#include <vector>

namespace qs::win32 {

class picture {
public:
    picture() = default;
    // Decodes the RCDATA resource `id` of the module; an empty picture when it cannot.
    static picture from_resource(HINSTANCE module, int id);

    bool empty() const noexcept { return pixels_.empty(); }
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    // Stretches the picture over the rectangle; fills it with the fallback brush when empty.
    void draw(HDC dc, const RECT& area, HBRUSH fallback) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;  // top-down rows of BGRA
};

}  // namespace qs::win32
