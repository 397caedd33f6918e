#include "tests/win32/test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/win32/handles.h"

namespace qs::test {


scratch_folder::scratch_folder()
{
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0) throw std::runtime_error("no temporary folder");
    path_ = std::wstring(temp, length) + L"qs_win32_tests_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    remove_tree(path_);
    make_folders(path_);
}

scratch_folder::~scratch_folder()
{
    remove_tree(path_);
}

void set_attributes(const std::wstring& path, DWORD attributes)
{
    if (!SetFileAttributesW(path.c_str(), attributes))
        throw std::runtime_error("cannot set attributes of " + narrow(path));
}

}  // namespace qs::test

int main(int argc, char** argv)
{
    // The program initialises COM on its user-interface thread at start; the suite does the same.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
