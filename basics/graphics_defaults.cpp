#include "basics/graphics_defaults.h"

namespace qs {
namespace {

constexpr std::int32_t rgb(int r, int g, int b)
{
    return r | g << 8 | b << 16;
}

// Values of the Windows font constants the shared unit asks for.
constexpr int out_character_precis = 2;
constexpr int clip_stroke_precis = 2;
constexpr int proof_quality = 2;
constexpr int variable_pitch = 2;
constexpr int ff_roman = 0x10;

font_request named_font(int height, int width, const wchar_t* face)
{
    font_request f;
    f.height = height;
    f.width = width;
    f.weight = 400;
    f.face = face;
    f.char_set = 0;
    f.out_precision = out_character_precis;
    f.clip_precision = 0;
    f.quality = proof_quality;
    f.pitch_and_family = ff_roman;
    return f;
}

void fill_styles(std::array<style_record, 17>& styles)
{
    const std::int32_t colours[8] = {rgb(0, 0, 0),     rgb(255, 0, 0),   rgb(0, 255, 0),     rgb(0, 0, 255),
                                     rgb(255, 255, 0), rgb(0, 255, 255), rgb(200, 200, 200), rgb(255, 255, 255)};
    styles[0] = {5, 1, 0, rgb(0, 0, 0)};
    for (int i = 0; i < 8; ++i) {
        styles[1 + i] = {0, 60, 0, colours[i]};
        styles[9 + i] = {0, 40, 0, colours[i]};
    }
    styles[10].colour = rgb(192, 192, 192);  // the second small style is silver, not red
}

}  // namespace

graphics_defaults make_graphics_defaults()
{
    graphics_defaults d;
    d.font_face = L"Times New Roman";
    d.page_width = 297;
    d.page_height = 210;
    fill_styles(d.styles);
    d.pen_width = 10;
    d.pen_colour = rgb(0, 255, 0);
    d.size_x = 500;
    d.size_y = 300;
    d.parameters = {{2, {0.2f, 2.0f}},           {2, {2.0f, 1.0f}}, {4, {3.0f, 1.0f, 0.05f, 1.0f}},
                    {4, {3.0f, 1.0f, 1.0f, 1.0f}}, {2, {0.05f, 4.0f}}, {2, {4.0f, 2.0f}},
                    {4, {6.0f, 2.0f, 0.05f, 2.0f}}, {4, {6.0f, 2.0f, 2.0f, 2.0f}}};
    d.font_description = font_request{};
    d.font_description.height = 15;
    d.font_description.weight = 400;
    d.font_description.face = d.font_face;
    d.font_description.clip_precision = clip_stroke_precis;
    d.font_description.pitch_and_family = variable_pitch;
    d.fonts = {named_font(15, 6, L"Current_font"), named_font(120, 40, L"Large_font"),
               named_font(18, 7, L"Medium_font")};
    d.byte_value = 10;
    return d;
}

}  // namespace qs
