#pragma once
// The graphics defaults of the shared unit: described here as data, made into real objects
// (GDI fonts and pen on Windows) by a graphics_objects implementation. No setup task draws with
// them; the maker's other applications, which share this unit, do.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qs {

// A font as the shared unit asks for one (the members of a LOGFONT that it sets).
struct font_request {
    int height = 0;
    int width = 0;
    int weight = 400;
    std::wstring face;
    int char_set = 0;         // ANSI_CHARSET
    int out_precision = 0;
    int clip_precision = 0;
    int quality = 0;
    int pitch_and_family = 0;
};

struct style_record {
    std::int32_t kind, size, reserved, colour;  // colour as a Windows COLORREF (0x00BBGGRR)
};

struct parameter_record {
    int count;
    std::vector<float> values;
};

struct graphics_defaults {
    std::wstring font_face;
    font_request font_description;
    std::array<font_request, 3> fonts;  // Current_font, Large_font, Medium_font
    std::int32_t pen_width = 0;
    std::int32_t pen_colour = 0;
    std::array<style_record, 17> styles{};
    std::vector<parameter_record> parameters;
    float page_width = 0, page_height = 0;
    int size_x = 0, size_y = 0;
    std::uint8_t byte_value = 0;
};

// The values the shared unit sets at start-up.
graphics_defaults make_graphics_defaults();

// Real objects made from the defaults: created at start-up, released at shutdown (destructor).
class graphics_objects {
public:
    virtual ~graphics_objects() = default;
};

// Makes the platform's objects; the portable build passes none.
using graphics_factory = std::unique_ptr<graphics_objects> (*)(const graphics_defaults&);

}  // namespace qs
