// Inputs the fuzz targets found mishandled, kept here so they stay handled.
#include <gtest/gtest.h>

#include "setup_main/server_paths.h"

namespace qs {
namespace {

TEST(ServerPathRegressions, DeviceNamesFollowedByBlanksBeforeTheExtensionAreRefused)
{
    // Windows ignores blanks between a device name and its extension.
    for (const wchar_t* path : {L"NUL .txt", L"con  .log", L"sub/AUX .dll", L"COM1 .x", L"lpt3   .txt.gz"})
        EXPECT_FALSE(is_safe_relative_path(path)) << path;
    // Other names that only start like a device stay ordinary files.
    for (const wchar_t* path : {L"NULL .txt", L"a NUL.txt", L"CONFIG .sys", L"sub/COM10 .x"})
        EXPECT_TRUE(is_safe_relative_path(path)) << path;
}

}  // namespace
}  // namespace qs
