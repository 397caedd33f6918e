#include "basics/win32/graphics_objects.h"

#include <array>

#include "platform/win32/gui_handles.h"

namespace qs::win32 {

namespace {

class gdi_graphics_objects : public graphics_objects {
public:
    explicit gdi_graphics_objects(const graphics_defaults& d)
    {
        for (std::size_t i = 0; i < fonts_.size(); ++i) fonts_[i].reset(make_font(d.fonts[i]));
        pen_.reset(CreatePen(PS_SOLID, d.pen_width, static_cast<COLORREF>(d.pen_colour)));
    }

private:
    static HFONT make_font(const font_request& r)
    {
        LOGFONTW lf{};
        lf.lfHeight = r.height;
        lf.lfWidth = r.width;
        lf.lfWeight = r.weight;
        lf.lfCharSet = static_cast<BYTE>(r.char_set);
        lf.lfOutPrecision = static_cast<BYTE>(r.out_precision);
        lf.lfClipPrecision = static_cast<BYTE>(r.clip_precision);
        lf.lfQuality = static_cast<BYTE>(r.quality);
        lf.lfPitchAndFamily = static_cast<BYTE>(r.pitch_and_family);
        lstrcpynW(lf.lfFaceName, r.face.c_str(), LF_FACESIZE);
        return CreateFontIndirectW(&lf);
    }

    std::array<font_handle, 3> fonts_;  // Current_font, Large_font, Medium_font
    pen_handle pen_;
};

}  // namespace

std::unique_ptr<graphics_objects> make_gdi_objects(const graphics_defaults& defaults)
{
    return std::make_unique<gdi_graphics_objects>(defaults);
}

}  // namespace qs::win32
