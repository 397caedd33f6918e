#include <gtest/gtest.h>

#include "basics/fs_helpers.h"

namespace qs {
namespace {

TEST(ParentFolder, CutsTheLastComponentAndTheSeparatorBeforeIt)
{
    // A trailing separator is the last component's end: only it goes.
    EXPECT_EQ(parent_folder(L"C:\\Data\\Sample\\"), L"C:\\Data\\Sample");
    EXPECT_EQ(parent_folder(L"C:\\Data\\Sample"), L"C:\\Data");
    // "/" separates as "\" does, also mixed with it.
    EXPECT_EQ(parent_folder(L"C:/Data/Sample"), L"C:/Data");
    EXPECT_EQ(parent_folder(L"C:\\Data/Sample"), L"C:\\Data");
    EXPECT_EQ(parent_folder(L"C:/Data\\Sample"), L"C:/Data");
    EXPECT_EQ(parent_folder(L"/"), L"");
    // Without a separator there is no parent.
    EXPECT_EQ(parent_folder(L"Sample"), L"");
    EXPECT_EQ(parent_folder(L"C:"), L"");
    EXPECT_EQ(parent_folder(L""), L"");
    // A folder just below the drive root gives the drive without its "\".
    EXPECT_EQ(parent_folder(L"C:\\Data"), L"C:");
    EXPECT_EQ(parent_folder(L"C:\\"), L"C:");
}

}  // namespace
}  // namespace qs
