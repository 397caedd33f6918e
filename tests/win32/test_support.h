#pragma once
// What the Win32 suite needs around the platform under test: a scratch folder in the prefix's
// temporary folder, and the helpers of tests/win32/wine_files.h.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "tests/win32/wine_files.h"

namespace qs::test {

// A new, empty folder below the temporary folder, removed with everything in it (attributes
// cleared first) when the object goes.
class scratch_folder {
public:
    scratch_folder();
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;
    // The folder, no trailing "\".
    const std::wstring& path() const { return path_; }
    // path() + "\" + relative
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

void set_attributes(const std::wstring& path, DWORD attributes);

}  // namespace qs::test
