#include "tests/gui/medium.h"

#include <windows.h>

#include <atomic>

namespace qs::gui {

// The build gives the Linux path of the program.
std::wstring program_under_test() { return test::wine_path_of(QS_PROGRAM_EXE); }

test_medium::test_medium(const std::wstring& folder_name)
{
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"qs_gui_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter) + L"\\";
    remove_tree(root_.substr(0, root_.size() - 1));
    folder_ = root_ + folder_name + L"\\";
    make_folders(folder_.substr(0, folder_.size() - 1));
    CopyFileW(program_under_test().c_str(), exe().c_str(), FALSE);
}

test_medium::~test_medium()
{
    remove_tree(root_.substr(0, root_.size() - 1));
}

void test_medium::write_bytes(const std::wstring& relative, const std::string& bytes)
{
    test::write_bytes(folder_ + relative, bytes);
}

void test_medium::write_lines(const std::wstring& relative, const std::vector<std::wstring>& lines)
{
    std::string bytes;
    for (const std::wstring& line : lines) {
        const int n = WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr,
                                          nullptr);
        std::string ansi(static_cast<std::size_t>(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()), ansi.data(), n, nullptr, nullptr);
        bytes += ansi + "\r\n";
    }
    write_bytes(relative, bytes);
}

}  // namespace qs::gui
