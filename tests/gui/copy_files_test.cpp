// "Copy files" in the real program: application data, Windows files and the program folder,
// with the explanation box and the shell's folder browser answered as a user would.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "setup_main/messages.h"
#include "tests/gui/driver.h"
#include "tests/gui/medium.h"

namespace qs::gui {
namespace {

const wchar_t* const main_class = L"Tsetup_main_page";

HWND accept_licence(const program& p)
{
    HWND licence = wait_for_top_window(p.id(), L"Tlicence_agreement_form");
    if (!licence) return nullptr;
    HWND box = child_with_text(licence, L"Yes. I understood the licence agreement and accept it.", L"Button");
    if (!box) return nullptr;
    click(box);
    if (!wait_for([&] { return is_checked(box); })) return nullptr;
    click(child_with_text(licence, L"Start software setup ...", L"Button"));
    return wait_for_top_window(p.id(), main_class);
}

std::wstring appdata()
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path);
    return path;
}

std::wstring windows_dir()
{
    wchar_t path[MAX_PATH] = {};
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

std::vector<std::wstring> info_lines(HWND main)
{
    return lines_of(text_of(child_at(main, 248, 297)));
}

bool info_has_line(HWND main, const std::wstring& line, int times = 1)
{
    int seen = 0;
    for (const std::wstring& l : info_lines(main))
        if (l == line) ++seen;
    return seen >= times;
}

TEST(CopyFiles, CopiesApplicationDataWindowsFilesAndTheProgramFolder)
{
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring name = L"QsCopyMedium" + tag;  // the installation folder's name N
    const std::wstring app = L"QsCopyApp" + tag;
    const std::wstring windows_file = L"qs_copy_" + tag + L".ini";
    test_medium medium(name);
    medium.write_lines(L"init_setup\\application_name.txt", {app});
    medium.write_lines(L"init_setup\\language.txt", {L"1"});
    medium.write_lines(L"Application_Data\\" + app + L"\\settings.ini", {L"[view]", L"grid=1"});
    medium.write_lines(L"Application_Data\\" + app + L"\\samples\\one.csv", {L"400;0.1"});
    medium.write_lines(L"windows\\" + windows_file, {L"[demo]"});
    medium.write_lines(L"manual.chm", {L"help"});
    // A Windows file that is there already stays as it is.
    const std::wstring kept = windows_dir() + L"\\qs_kept_" + tag + L".ini";
    medium.write_lines(L"windows\\qs_kept_" + tag + L".ini", {L"new content"});
    {
        HANDLE h = CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(h, "old", 3, &put, nullptr);
        CloseHandle(h);
    }
    struct cleanup {
        std::vector<std::wstring> trees, files;
        ~cleanup()
        {
            for (const auto& t : trees) remove_tree(t);
            for (const auto& f : files) DeleteFileW(f.c_str());
        }
    } leftovers{{appdata() + L"\\" + app}, {windows_dir() + L"\\" + windows_file, kept}};

    program p(medium.exe(), medium.folder());
    HWND main = accept_licence(p);
    ASSERT_NE(main, nullptr);
    click(child_with_text(main, L"Copy files", L"Button"));

    HWND explained = wait_for_message_box_saying(p.id(), message(msg::program_folder_explained, ui_language::english, {name}));
    ASSERT_NE(explained, nullptr) << "no explanation before the folder browser";
    ASSERT_TRUE(answer(explained, L"OK"));
    HWND picker = wait_for_top_window(p.id(), L"#32770", L"Browse for Folder");
    ASSERT_NE(picker, nullptr) << "no folder browser";
    EXPECT_NE(child_with_text(picker, L"Select directory where the program should be installed"), nullptr);
    ASSERT_TRUE(answer(picker, L"OK"));  // the program-files folder is preselected

    ASSERT_TRUE(wait_for([&] { return info_has_line(main, message(msg::copying_finished, ui_language::english), 2); }))
        << "the copy did not finish; the pane holds:\n" << testing::PrintToString(info_lines(main));
    const std::vector<std::wstring> lines = info_lines(main);
    ASSERT_EQ(lines.size(), 15u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[0].rfind(message(msg::setup_started, ui_language::english), 0), 0u) << "start line";
    EXPECT_EQ(lines[1], L"");
    EXPECT_EQ(lines[2], message(msg::copying_to_appdata, ui_language::english));
    EXPECT_EQ(lines[3], message(msg::copying_finished, ui_language::english));
    EXPECT_EQ(lines[4], L"");
    EXPECT_EQ(lines[5], message(msg::windows_files_copied, ui_language::english));
    EXPECT_EQ(lines[6], message(msg::copying_files_from, ui_language::english));
    EXPECT_EQ(lines[7], medium.folder().substr(0, medium.folder().size() - 1));
    EXPECT_EQ(lines[8], message(msg::copying_to, ui_language::english));
    const std::wstring target = lines[9];
    EXPECT_EQ(target.substr(target.size() - name.size() - 1), L"\\" + name);
    EXPECT_EQ(lines[10], message(msg::ellipsis, ui_language::english));
    EXPECT_EQ(lines[11], L"");
    EXPECT_EQ(lines[12], message(msg::copying_finished, ui_language::english));
    EXPECT_EQ(lines[13], L"");
    EXPECT_EQ(lines[14], L"") << "every line ends with its line break";
    leftovers.trees.push_back(target);

    // The copied trees.
    EXPECT_EQ(read_bytes(appdata() + L"\\" + app + L"\\samples\\one.csv"), "400;0.1\r\n");
    EXPECT_TRUE(file_exists(appdata() + L"\\" + app + L"\\settings.ini"));
    EXPECT_TRUE(file_exists(windows_dir() + L"\\" + windows_file));
    EXPECT_EQ(read_bytes(kept), "old") << "an existing Windows file was replaced";
    for (const wchar_t* f : {L"\\run_this_first.exe", L"\\manual.chm", L"\\init_setup\\application_name.txt",
                             L"\\windows\\", L"\\Application_Data\\"}) {
        const std::wstring path = target + f;
        EXPECT_TRUE(path.back() == L'\\' ? folder_exists(path.substr(0, path.size() - 1)) : file_exists(path))
            << testing::PrintToString(path);
    }

    click(child_with_text(main, L"Exit", L"Button"));
    DWORD code = 1;
    ASSERT_TRUE(p.wait_for_exit(code));
    EXPECT_EQ(code, 0u);
}

TEST(CopyFiles, SpeaksGermanWhenLanguageTxtSaysSoAndACancelledPickerEndsTheTask)
{
    const std::wstring name = L"QsGermanMedium" + std::to_wstring(GetCurrentProcessId());
    test_medium medium(name);
    medium.write_lines(L"init_setup\\language.txt", {L"2"});
    program p(medium.exe(), medium.folder());
    HWND main = accept_licence(p);
    ASSERT_NE(main, nullptr);
    click(child_with_text(main, L"Copy files", L"Button"));

    HWND explained = wait_for_message_box_saying(p.id(), message(msg::program_folder_explained, ui_language::german, {name}));
    ASSERT_NE(explained, nullptr) << "no German explanation";
    ASSERT_TRUE(answer(explained, L"OK"));
    HWND picker = wait_for_top_window(p.id(), L"#32770", L"Browse for Folder");
    ASSERT_NE(picker, nullptr);
    ASSERT_TRUE(answer(picker, L"Cancel"));
    ASSERT_TRUE(wait_for([&] { return find_top_window(p.id(), L"#32770") == nullptr; }));

    const std::vector<std::wstring> lines = info_lines(main);
    ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
    EXPECT_EQ(lines[0].rfind(L"Installation gestartet: ", 0), 0u) << testing::PrintToString(lines[0]);
    EXPECT_TRUE(IsWindowEnabled(child_with_text(main, L"Copy files", L"Button"))) << "the button stays usable";

    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(p.wait_for_exit(code));
    EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace qs::gui
