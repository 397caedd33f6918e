#pragma once
// The shared unit's start-up and shutdown, as one object: constructing it does the start-up work
// (per-user folders, settings files, graphics defaults, the vocabulary object, the workbook
// question); destroying it does the shutdown. The program makes one before the licence window.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "basics/graphics_defaults.h"
#include "basics/vocabulary.h"
#include "platform/platform.h"

namespace qs {

// The shared settings of default_values.ini, one field per key. The maker's other applications
// read them; the setup program reads them only because the shared unit always does.
struct shared_settings {
    std::int32_t default_pen_optical_constants_real_part = 1;
    std::int32_t default_pen_optical_constants_imaginary_part = 3;
    std::int32_t default_pen_simulated_spectra = 4;
    std::int32_t default_pen_measured_spectra = 2;
    std::int32_t default_line_mode_optical_constants_real_part = 1;
    std::int32_t default_line_mode_optical_constants_imaginary_part = 1;
    std::int32_t default_line_mode_simulated_spectra = 1;
    std::int32_t default_line_mode_measured_spectra = 1;
    bool always_use_default_pens = false;
    bool automatic_update_after_loading = true;
    bool do_not_generate_graphics_titles_automatically = false;
    bool do_not_change_database_when_loading_new_configurations = false;
    bool ignore_control_character_settings_of_configuration = false;
    bool always_use_control_characters_when_drawing_text = false;
    bool do_not_ask_if_user_exits_the_program = false;
    std::int32_t valdor_default_position_index = 0;
    float valdor_yt_maximum = 98.0f;
    float valdor_yr_minimum = 2.0f;
    bool valdor_merge_name_and_position_flag = false;
    std::wstring start_configuration;
    std::int32_t window_position_x = 0;
    std::int32_t window_position_y = 0;
    std::int32_t window_width = 1024;
    std::int32_t window_height = 768;
};

struct workbook_flags {
    bool never_use_workbook = false;
    bool ask_for_workbook = false;
};

// The per-user default_values.ini when it is there (a default-constructed value holds what
// applies without the file). Throws system_error when the file exists but cannot be read.
shared_settings read_default_values(platform& os);
// vcf132.ini in the per-user folder, else beside the program; false when neither exists.
bool find_vcf_ini(platform& os, std::wstring& path);
// The workbook flags from vcf132.ini, asking the "Optional setting" question when the file asks
// for it. Throws system_error when the file exists but cannot be read.
workbook_flags read_workbook_settings(platform& os);

class shared_unit {
public:
    // Throws system_error when a settings file exists but cannot be read.
    explicit shared_unit(platform& os, graphics_factory make_objects = nullptr);
    ~shared_unit();
    shared_unit(const shared_unit&) = delete;
    shared_unit& operator=(const shared_unit&) = delete;

    struct state {
        graphics_defaults graphics;
        std::unique_ptr<graphics_objects> graphics_handles;  // none in the portable build
        std::unique_ptr<sprachen> vocabulary;
        std::unique_ptr<std::vector<std::wstring>> texts;
        shared_settings settings;
        workbook_flags workbook;
        std::unique_ptr<std::vector<std::uint8_t>> buffer;
    };
    const state& values() const { return *state_; }

private:
    std::unique_ptr<state> state_;
};

}  // namespace qs
