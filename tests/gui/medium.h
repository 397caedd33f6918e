#pragma once
// A test installation medium in a fresh temporary folder: the built program, its init_setup
// files and whatever else a test puts there. Removed again when the object goes.

#include <string>
#include <vector>

#include "tests/win32/wine_files.h"

namespace qs::gui {

// The program under test (the path the build passes in, in Windows form).
std::wstring program_under_test();

class test_medium {
public:
    // <temp>\qs_gui_<pid>_<n>\<folder_name>\run_this_first.exe
    explicit test_medium(const std::wstring& folder_name = L"Sample");
    ~test_medium();
    test_medium(const test_medium&) = delete;
    test_medium& operator=(const test_medium&) = delete;

    // The installation folder, with its trailing "\".
    const std::wstring& folder() const { return folder_; }
    std::wstring exe() const { return folder_ + L"run_this_first.exe"; }
    // The temporary folder above the installation folder, with its trailing "\".
    const std::wstring& root() const { return root_; }

    // Writes a file below the installation folder (folders made as needed); lines are ANSI text
    // with CR LF after each.
    void write_lines(const std::wstring& relative, const std::vector<std::wstring>& lines);
    void write_bytes(const std::wstring& relative, const std::string& bytes);

private:
    std::wstring root_;
    std::wstring folder_;
};

using test::file_exists;
using test::folder_exists;
using test::make_folders;
using test::read_bytes;
using test::remove_tree;
using test::write_bytes;

}  // namespace qs::gui
