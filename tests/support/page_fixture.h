#pragma once
// The main window's logic on a platform of the test's choice, with a recording view: what every
// task test starts from. A gtest fixture derives from ::testing::Test and from this.

#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/fake/md5.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"

namespace qs::test {

using lines = std::vector<std::wstring>;

template <class Platform = fake::fake_platform>
struct page_on {
    Platform os;
    fake::fake_view view;
    Tsetup_main_page page{os, view};
};

// The server list's line for a file of this content: path, MD5 and size, separated by tabs.
inline std::wstring listed_line(const std::wstring& path, const std::string& content)
{
    return path + L"\t" + fake::md5_hex(content) + L"\t" + std::to_wstring(content.size());
}

}  // namespace qs::test
