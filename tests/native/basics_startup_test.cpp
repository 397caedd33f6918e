#include <gtest/gtest.h>

#include "basics/paths.h"
#include "basics/startup.h"
#include "platform/fake/fake_platform.h"

namespace qs {
namespace {

const std::wstring work = L"C:\\Users\\tester\\AppData\\Roaming\\RUN_THIS_FIRST";

struct Startup : ::testing::Test {
    fake::fake_platform os;
    void defaults(const std::string& content) { os.add_file(work + L"\\default_values.ini", content); }
};

TEST(ExeTitle, FileNameWithoutItsLastFourCharactersInAsciiUpperCase)
{
    fake::fake_platform os;
    auto title = [&](const std::wstring& path) {
        os.program = path;
        return exe_title(os);
    };
    EXPECT_EQ(title(L"C:\\x\\setup.exe"), L"SETUP");
    EXPECT_EQ(title(L"D:\\Setup\\Sample\\run_this_first.exe"), L"RUN_THIS_FIRST");
    EXPECT_EQ(title(L"C:\\x\\Setup.EXE"), L"SETUP");
    EXPECT_EQ(title(L"C:\\x\\gr\u00fcn.exe"), L"GR\u00fcN");
    EXPECT_EQ(title(L"C:\\x\\a.exe"), L"A");
    EXPECT_EQ(title(L"C:\\x\\.exe"), L"");
    EXPECT_EQ(title(L"C:\\x\\a.e"), L"");
    os.program = L"C:\\x\\setup.exe";
    EXPECT_EQ(user_settings_path(os, L"vcf132.ini"), L"C:\\Users\\tester\\AppData\\Roaming\\SETUP\\vcf132.ini");
}

TEST_F(Startup, CreatesTheWorkingFolderWithDownloadsAndUploads)
{
    shared_unit unit(os);
    EXPECT_EQ(os.created_directories, (std::vector<std::wstring>{work, work + L"\\downloads", work + L"\\uploads"}));
    // A second start finds them and creates nothing.
    os.created_directories.clear();
    shared_unit again(os);
    EXPECT_TRUE(os.created_directories.empty());
}

TEST_F(Startup, WithoutAnApplicationDataFolderTheWorkingFolderLiesAtTheDriveRoot)
{
    os.appdata.clear();
    os.add_file(L"C:\\RUN_THIS_FIRST\\default_values.ini", "Window width\r\n640\r\n");
    shared_unit unit(os);
    EXPECT_EQ(os.created_directories,
              (std::vector<std::wstring>{L"\\RUN_THIS_FIRST\\downloads", L"\\RUN_THIS_FIRST\\uploads"}));
    EXPECT_EQ(unit.values().settings.window_width, 640);
}

TEST_F(Startup, AFolderThatCannotBeMadeIsNotAnError)
{
    os.program = L"D:\\x\\setup.exe";
    os.unwritable.insert(L"C:\\Users\\tester\\AppData\\Roaming\\SETUP");
    shared_unit unit(os);
    EXPECT_TRUE(os.created_directories.empty());
    EXPECT_EQ(unit.values().settings.window_width, 1024);
}

TEST_F(Startup, NoSettingsFileGivesTheNoFileValues)
{
    shared_unit unit(os);
    const shared_settings& s = unit.values().settings;
    EXPECT_EQ(s.default_pen_optical_constants_real_part, 1);
    EXPECT_EQ(s.default_pen_optical_constants_imaginary_part, 3);
    EXPECT_EQ(s.default_pen_simulated_spectra, 4);
    EXPECT_EQ(s.default_pen_measured_spectra, 2);
    EXPECT_EQ(s.default_line_mode_optical_constants_real_part, 1);
    EXPECT_EQ(s.default_line_mode_optical_constants_imaginary_part, 1);
    EXPECT_EQ(s.default_line_mode_simulated_spectra, 1);
    EXPECT_EQ(s.default_line_mode_measured_spectra, 1);
    EXPECT_TRUE(s.automatic_update_after_loading);
    EXPECT_FALSE(s.always_use_default_pens);
    EXPECT_EQ(s.valdor_default_position_index, 0);
    EXPECT_FLOAT_EQ(s.valdor_yt_maximum, 98.0f);
    EXPECT_FLOAT_EQ(s.valdor_yr_minimum, 2.0f);
    EXPECT_EQ(s.start_configuration, L"");
    EXPECT_EQ(s.window_width, 1024);
    EXPECT_EQ(s.window_height, 768);
}

TEST_F(Startup, AFileWithoutTheKeysGivesTheNoKeyValues)
{
    defaults("something else\r\n5\r\n");
    shared_unit unit(os);
    const shared_settings& s = unit.values().settings;
    EXPECT_EQ(s.default_line_mode_optical_constants_real_part, 1);
    EXPECT_EQ(s.default_line_mode_optical_constants_imaginary_part, 3);
    EXPECT_EQ(s.default_line_mode_simulated_spectra, 4);
    EXPECT_EQ(s.default_line_mode_measured_spectra, 2);
    EXPECT_FALSE(s.automatic_update_after_loading);
    EXPECT_EQ(s.valdor_default_position_index, 1);
    EXPECT_EQ(s.window_position_x, 0);
    EXPECT_EQ(s.window_width, 1024);
}

TEST_F(Startup, EveryKeyIsReadFromTheFile)
{
    defaults("default pen optical constants real part\r\n11\r\ndefault pen optical constants imaginary part\r\n12\r\n"
             "default pen simulated spectra\r\n13\r\ndefault pen measured spectra\r\n14\r\n"
             "default line mode optical constants real part\r\n15\r\n"
             "default line mode optical constants imaginary part\r\n16\r\n"
             "default line mode simulated spectra\r\n17\r\ndefault line mode measured spectra\r\n18\r\n"
             "always use default pens\r\n1\r\nautomatic update after loading\r\n1\r\n"
             "do not generate graphics titles automatically\r\n1\r\n"
             "do not change database when loading new configurations\r\n1\r\n"
             "ignore control character settings of configuration\r\n1\r\n"
             "always use control characters when drawing text\r\n1\r\n"
             "do not ask if user exits the program\r\n1\r\nValdor default position index\r\n19\r\n"
             "VALDOR YT MAXIMUM\r\n12,5\r\nValdor YR minimum\r\n-1.5\r\n"
             "Valdor merge name and position flag\r\n1\r\nStart configuration\r\nC:\\cfg\\a b.cfg \r\n"
             "Window position x\r\n-20\r\nWindow position y\r\n$20\r\nWINDOW WIDTH\r\n800\r\n"
             "Window height\r\n600\r\n");
    shared_unit unit(os);
    const shared_settings& s = unit.values().settings;
    EXPECT_EQ(s.default_pen_optical_constants_real_part, 11);
    EXPECT_EQ(s.default_pen_optical_constants_imaginary_part, 12);
    EXPECT_EQ(s.default_pen_simulated_spectra, 13);
    EXPECT_EQ(s.default_pen_measured_spectra, 14);
    EXPECT_EQ(s.default_line_mode_optical_constants_real_part, 15);
    EXPECT_EQ(s.default_line_mode_optical_constants_imaginary_part, 16);
    EXPECT_EQ(s.default_line_mode_simulated_spectra, 17);
    EXPECT_EQ(s.default_line_mode_measured_spectra, 18);
    EXPECT_TRUE(s.always_use_default_pens);
    EXPECT_TRUE(s.automatic_update_after_loading);
    EXPECT_TRUE(s.do_not_generate_graphics_titles_automatically);
    EXPECT_TRUE(s.do_not_change_database_when_loading_new_configurations);
    EXPECT_TRUE(s.ignore_control_character_settings_of_configuration);
    EXPECT_TRUE(s.always_use_control_characters_when_drawing_text);
    EXPECT_TRUE(s.do_not_ask_if_user_exits_the_program);
    EXPECT_EQ(s.valdor_default_position_index, 19);
    EXPECT_FLOAT_EQ(s.valdor_yt_maximum, 12.5f);
    EXPECT_FLOAT_EQ(s.valdor_yr_minimum, -1.5f);
    EXPECT_TRUE(s.valdor_merge_name_and_position_flag);
    EXPECT_EQ(s.start_configuration, L"C:\\cfg\\a b.cfg ");
    EXPECT_EQ(s.window_position_x, -20);
    EXPECT_EQ(s.window_position_y, 32);
    EXPECT_EQ(s.window_width, 800);
    EXPECT_EQ(s.window_height, 600);
}

TEST_F(Startup, SettingsEdgeCases)
{
    defaults(" WINDOW WIDTH\n800\nWindow height\n5\nWindow height\nx\nalways use default pens\n2\n"
             "do not ask if user exits the program\n1\nWindow position x\n5\nWindow position x\n7\n");
    shared_unit unit(os);
    const shared_settings& s = unit.values().settings;
    EXPECT_EQ(s.window_width, 1024);
    EXPECT_EQ(s.window_height, 5);
    EXPECT_EQ(s.window_position_x, 7);
    EXPECT_FALSE(s.always_use_default_pens);
    EXPECT_TRUE(s.do_not_ask_if_user_exits_the_program);
}

TEST_F(Startup, SettingsFileWithAByteOrderMarkIsDecoded)
{
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Window width\r\n900")) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    defaults(utf16);
    shared_unit unit(os);
    EXPECT_EQ(unit.values().settings.window_width, 900);
}

TEST_F(Startup, ASettingsFileThatCannotBeReadEndsTheStartUp)
{
    defaults("Window width\r\n800\r\n");
    os.unreadable.insert(work + L"\\default_values.ini");
    EXPECT_THROW(shared_unit unit(os), system_error);

    fake::fake_platform other;
    other.add_file(work + L"\\vcf132.ini", "ask for f1book\r\ntrue\r\n");
    other.unreadable.insert(work + L"\\vcf132.ini");
    EXPECT_THROW(shared_unit unit(other), system_error);
    EXPECT_TRUE(other.questions.empty());
}

TEST_F(Startup, WorkbookFlagsWithoutVcfIniStayNoAndNothingIsAsked)
{
    shared_unit unit(os);
    EXPECT_FALSE(unit.values().workbook.never_use_workbook);
    EXPECT_FALSE(unit.values().workbook.ask_for_workbook);
    EXPECT_TRUE(os.questions.empty());
}

TEST_F(Startup, NeverUseWorkbookSuppressesTheQuestion)
{
    os.add_file(work + L"\\vcf132.ini", "never use f1book\r\nTRUE\r\nask for f1book\r\ntrue\r\n");
    shared_unit unit(os);
    EXPECT_TRUE(os.questions.empty());
    EXPECT_TRUE(unit.values().workbook.never_use_workbook);
    EXPECT_TRUE(unit.values().workbook.ask_for_workbook);
}

TEST_F(Startup, TheQuestionIsAskedAndNoMeansNeverUse)
{
    os.add_file(work + L"\\vcf132.ini", "never use f1book\r\nfalse\r\nask for f1book\r\ntrue\r\n");
    os.yes_no_answers = {false};
    shared_unit unit(os);
    ASSERT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.questions[0].text,
              L"Generate \"historic\" workbook component to be able to load old configurations (version<3.20) "
              L"including workbook data?");
    EXPECT_EQ(os.questions[0].caption, L"Optional setting");
    EXPECT_EQ(os.questions[0].icon, box_icon::none);
    EXPECT_TRUE(unit.values().workbook.never_use_workbook);
}

TEST_F(Startup, YesKeepsTheWorkbookAndOnlyTrueAsks)
{
    os.add_file(work + L"\\vcf132.ini", "ask for f1book\r\nTrue\r\n");
    os.yes_no_answers = {true};
    shared_unit unit(os);
    EXPECT_EQ(os.questions.size(), 1u);
    EXPECT_FALSE(unit.values().workbook.never_use_workbook);

    fake::fake_platform other;
    other.add_file(work + L"\\vcf132.ini", "ask for f1book\r\n true\r\n");
    shared_unit second(other);
    EXPECT_TRUE(other.questions.empty());
    EXPECT_FALSE(second.values().workbook.ask_for_workbook);
}

TEST_F(Startup, TheUserVcfIniComesBeforeTheOneBesideTheProgram)
{
    os.add_file(work + L"\\vcf132.ini", "never use f1book\r\ntrue\r\n");
    os.add_file(L"D:\\Setup\\Sample\\vcf132.ini", "ask for f1book\r\ntrue\r\n");
    std::wstring path;
    ASSERT_TRUE(find_vcf_ini(os, path));
    EXPECT_EQ(path, work + L"\\vcf132.ini");
    shared_unit unit(os);
    EXPECT_TRUE(unit.values().workbook.never_use_workbook);
    EXPECT_FALSE(unit.values().workbook.ask_for_workbook);
    EXPECT_TRUE(os.questions.empty());

    os.remove(work + L"\\vcf132.ini");
    os.yes_no_answers = {true};
    ASSERT_TRUE(find_vcf_ini(os, path));
    EXPECT_EQ(path, L"D:\\Setup\\Sample\\vcf132.ini");
    shared_unit beside(os);
    EXPECT_EQ(os.questions.size(), 1u);
}

TEST_F(Startup, VocabularyAndEmptyContainers)
{
    shared_unit unit(os);
    const auto& v = unit.values();
    ASSERT_NE(v.vocabulary, nullptr);
    EXPECT_EQ(v.vocabulary->language_count, 3);
    EXPECT_EQ(v.vocabulary->current_language, 1);
    EXPECT_EQ(v.vocabulary->vocabulary, (vokabel_liste{{L"Nickname", L"English", L"Deutsch"}}));
    ASSERT_NE(v.texts, nullptr);
    EXPECT_TRUE(v.texts->empty());
    ASSERT_NE(v.buffer, nullptr);
    EXPECT_TRUE(v.buffer->empty());
}

int objects_alive = 0;
graphics_defaults seen_defaults;
struct counted_objects : graphics_objects {
    counted_objects() { ++objects_alive; }
    ~counted_objects() override { --objects_alive; }
};
std::unique_ptr<graphics_objects> make_counted(const graphics_defaults& d)
{
    seen_defaults = d;
    return std::make_unique<counted_objects>();
}

TEST_F(Startup, GraphicsObjectsAreMadeFromTheDefaultsAndReleasedAtShutdown)
{
    {
        shared_unit unit(os, make_counted);
        EXPECT_EQ(objects_alive, 1);
        EXPECT_EQ(seen_defaults.fonts[1].face, L"Large_font");
    }
    EXPECT_EQ(objects_alive, 0);
    // Also when start-up fails after they were made.
    defaults("x");
    os.unreadable.insert(work + L"\\default_values.ini");
    EXPECT_THROW(shared_unit unit(os, make_counted), system_error);
    EXPECT_EQ(objects_alive, 0);
}

TEST(GraphicsDefaults, StyleTableParametersFontsAndPen)
{
    const graphics_defaults d = make_graphics_defaults();
    auto same = [](const style_record& r, std::int32_t kind, std::int32_t size, std::int32_t colour) {
        return r.kind == kind && r.size == size && r.reserved == 0 && r.colour == colour;
    };
    EXPECT_TRUE(same(d.styles[0], 5, 1, 0));
    const std::int32_t colours[8] = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFF00, 0xC8C8C8, 0xFFFFFF};
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(same(d.styles[1 + i], 0, 60, colours[i])) << i;
        EXPECT_TRUE(same(d.styles[9 + i], 0, 40, i == 1 ? 0xC0C0C0 : colours[i])) << i;
    }
    ASSERT_EQ(d.parameters.size(), 8u);
    EXPECT_EQ(d.parameters[2].count, 4);
    EXPECT_EQ(d.parameters[2].values, (std::vector<float>{3.0f, 1.0f, 0.05f, 1.0f}));
    EXPECT_EQ(d.parameters[7].values, (std::vector<float>{6.0f, 2.0f, 2.0f, 2.0f}));
    for (const auto& p : d.parameters) EXPECT_EQ(static_cast<std::size_t>(p.count), p.values.size());
    EXPECT_EQ(d.pen_width, 10);
    EXPECT_EQ(d.pen_colour, 0x00FF00);
    EXPECT_EQ(d.font_face, L"Times New Roman");
    EXPECT_EQ(d.font_description.height, 15);
    EXPECT_EQ(d.font_description.face, L"Times New Roman");
    EXPECT_EQ(d.font_description.clip_precision, 2);
    EXPECT_EQ(d.font_description.pitch_and_family, 2);
    EXPECT_EQ(d.font_description.quality, 0);
    const int sizes[3][2] = {{15, 6}, {120, 40}, {18, 7}};
    const wchar_t* faces[3] = {L"Current_font", L"Large_font", L"Medium_font"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(d.fonts[i].height, sizes[i][0]);
        EXPECT_EQ(d.fonts[i].width, sizes[i][1]);
        EXPECT_EQ(d.fonts[i].face, faces[i]);
        EXPECT_EQ(d.fonts[i].weight, 400);
        EXPECT_EQ(d.fonts[i].out_precision, 2);
        EXPECT_EQ(d.fonts[i].quality, 2);
        EXPECT_EQ(d.fonts[i].pitch_and_family, 0x10);
    }
    EXPECT_FLOAT_EQ(d.page_width, 297.0f);
    EXPECT_FLOAT_EQ(d.page_height, 210.0f);
    EXPECT_EQ(d.size_x, 500);
    EXPECT_EQ(d.size_y, 300);
    EXPECT_EQ(d.byte_value, 10);
}

}  // namespace
}  // namespace qs
