#include "basics/startup.h"

#include "basics/paths.h"
#include "basics/settings.h"
#include "basics/text_files.h"

namespace qs {
namespace {

// The shared unit asks its one question in English in every application that uses it: it runs
// before any application has chosen a language, so the texts belong to the unit, not to the
// setup program's table.
constexpr const wchar_t* workbook_question =
    L"Generate \"historic\" workbook component to be able to load old configurations "
    L"(version<3.20) including workbook data?";
constexpr const wchar_t* workbook_caption = L"Optional setting";

void make_working_folders(platform& os)
{
    // Failures are not reported: a missing working folder only means that no settings are found.
    const std::wstring folder = appdata_dir(os) + L"\\" + exe_title(os);
    ensure_dir(os, folder);
    ensure_dir(os, folder + L"\\downloads");
    ensure_dir(os, folder + L"\\uploads");
}

bool yes_setting(const std::wstring& key, const setting_lines& lines)
{
    return find_int_setting(key, lines, 0) == 1;
}

shared_settings settings_from(const setting_lines& lines)
{
    shared_settings s;
    auto integer = [&](const wchar_t* key, std::int32_t no_key) { return find_int_setting(key, lines, no_key); };
    auto yes = [&](const wchar_t* key) { return yes_setting(key, lines); };
    auto real = [&](const wchar_t* key, float no_key) { return find_real_setting(key, lines, no_key); };
    s.default_pen_optical_constants_real_part = integer(L"default pen optical constants real part", 1);
    s.default_pen_optical_constants_imaginary_part = integer(L"default pen optical constants imaginary part", 3);
    s.default_pen_simulated_spectra = integer(L"default pen simulated spectra", 4);
    s.default_pen_measured_spectra = integer(L"default pen measured spectra", 2);
    s.default_line_mode_optical_constants_real_part = integer(L"default line mode optical constants real part", 1);
    s.default_line_mode_optical_constants_imaginary_part =
        integer(L"default line mode optical constants imaginary part", 3);
    s.default_line_mode_simulated_spectra = integer(L"default line mode simulated spectra", 4);
    s.default_line_mode_measured_spectra = integer(L"default line mode measured spectra", 2);
    s.always_use_default_pens = yes(L"always use default pens");
    s.automatic_update_after_loading = yes(L"automatic update after loading");
    s.do_not_generate_graphics_titles_automatically = yes(L"do not generate graphics titles automatically");
    s.do_not_change_database_when_loading_new_configurations =
        yes(L"do not change database when loading new configurations");
    s.ignore_control_character_settings_of_configuration = yes(L"ignore control character settings of configuration");
    s.always_use_control_characters_when_drawing_text = yes(L"always use control characters when drawing text");
    s.do_not_ask_if_user_exits_the_program = yes(L"do not ask if user exits the program");
    s.valdor_default_position_index = integer(L"Valdor default position index", 1);
    s.valdor_yt_maximum = real(L"Valdor YT maximum", 98.0f);
    s.valdor_yr_minimum = real(L"Valdor YR minimum", 2.0f);
    s.valdor_merge_name_and_position_flag = yes(L"Valdor merge name and position flag");
    s.start_configuration = find_text_setting(L"Start configuration", lines, L"");
    s.window_position_x = integer(L"Window position x", 0);
    s.window_position_y = integer(L"Window position y", 0);
    s.window_width = integer(L"Window width", 1024);
    s.window_height = integer(L"Window height", 768);
    return s;
}

bool setting_is_true(const std::wstring& key, const setting_lines& lines)
{
    return ascii_lower(find_text_setting(key, lines, L"")) == L"true";
}

}  // namespace

shared_settings read_default_values(platform& os)
{
    const std::wstring path = user_settings_path(os, L"default_values.ini");
    if (!file_found(os, path)) return shared_settings{};
    return settings_from(load_lines(os, path));
}

bool find_vcf_ini(platform& os, std::wstring& path)
{
    for (const std::wstring& candidate : {user_settings_path(os, L"vcf132.ini"), program_dir_path(os, L"vcf132.ini")}) {
        if (os.file_exists(candidate)) {
            path = candidate;
            return true;
        }
    }
    return false;
}

workbook_flags read_workbook_settings(platform& os)
{
    workbook_flags flags;
    std::wstring path;
    if (!find_vcf_ini(os, path)) return flags;
    const setting_lines lines = load_lines(os, path);
    flags.never_use_workbook = setting_is_true(L"never use f1book", lines);
    flags.ask_for_workbook = setting_is_true(L"ask for f1book", lines);
    if (!flags.never_use_workbook && flags.ask_for_workbook) {
        const bool yes = os.ask_yes_no(workbook_question, workbook_caption, box_icon::none);
        if (!yes) flags.never_use_workbook = true;
    }
    return flags;
}

// The steps run in the order the maker's other applications rely on. Message boxes need no
// switch here: the platform shows every message as a plain message box.
shared_unit::shared_unit(platform& os, graphics_factory make_objects) : state_(std::make_unique<state>())
{
    make_working_folders(os);
    state_->graphics = make_graphics_defaults();
    if (make_objects != nullptr) state_->graphics_handles = make_objects(state_->graphics);
    state_->vocabulary = std::make_unique<sprachen>();
    state_->texts = std::make_unique<std::vector<std::wstring>>();
    state_->settings = read_default_values(os);
    state_->workbook = read_workbook_settings(os);
    state_->buffer = std::make_unique<std::vector<std::uint8_t>>();
}

shared_unit::~shared_unit()
{
    state_->buffer.reset();
    state_->vocabulary.reset();
    state_->texts.reset();
    state_->graphics_handles.reset();  // the pen and the three fonts
    state_->graphics.font_face.clear();
    state_->settings.start_configuration.clear();
}

}  // namespace qs
