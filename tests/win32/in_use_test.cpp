// Files held open by another process, as the Internet update meets them before it replaces files:
// the holder is a program of our own (tests/win32/hold_file.cpp), so the claims are real claims
// of another process.
#include <gtest/gtest.h>

#include <cwctype>

#include "tests/win32/holder_process.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

bool under_wine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

class Win32InUse : public testing::Test {
protected:
    win32::win32_platform os;
    scratch_folder root;
    std::wstring core = root / L"core.dll";
    std::wstring free_file = root / L"free.dll";

    void SetUp() override
    {
        write_bytes(core, "library");
        write_bytes(free_file, "other library");
    }
};

TEST_F(Win32InUse, AFileHeldByAnotherProgramIsInUseUntilItLetsGo)
{
    EXPECT_FALSE(os.file_in_use(core));
    holder_process holder(holder_process::kind::file, core);
    ASSERT_TRUE(holder.holding()) << holder.answer();

    EXPECT_TRUE(os.file_in_use(core));
    EXPECT_FALSE(os.file_in_use(free_file));
    EXPECT_FALSE(os.file_in_use(root / L"missing.dll"));
    // Moving it aside, as a commit would, meets the code the commit waits out for a while.
    try {
        os.move_file(core, root / L"aside.dll");
        ADD_FAILURE() << "a held file was moved";
    } catch (const system_error& error) {
        EXPECT_EQ(error.code(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(read_bytes(core), "library");

    ASSERT_TRUE(holder.let_go());
    EXPECT_FALSE(os.file_in_use(core));
    os.move_file(core, root / L"aside.dll");
    EXPECT_EQ(read_bytes(root / L"aside.dll"), "library");
}

TEST_F(Win32InUse, AProgramThatSharesDeletionDoesNotHoldTheFile)
{
    holder_process holder(holder_process::kind::file_shared, core);
    ASSERT_TRUE(holder.holding()) << holder.answer();
    EXPECT_FALSE(os.file_in_use(core));
    os.move_file(core, root / L"aside.dll");
    EXPECT_EQ(read_bytes(root / L"aside.dll"), "library");
}

TEST_F(Win32InUse, TheRestartManagerAnswersWithTheHolderOrWithNobody)
{
    holder_process holder(holder_process::kind::file, core);
    ASSERT_TRUE(holder.holding()) << holder.answer();
    const std::vector<std::wstring> names = os.programs_using({core, free_file, root / L"missing.dll"});
    if (under_wine()) {
        // Wine's Restart Manager is a stub that knows no program.
        EXPECT_TRUE(names.empty());
    } else {
        ASSERT_EQ(names.size(), 1u);
        EXPECT_NE(lower(names[0]).find(L"qs_hold_file"), std::wstring::npos) << narrow(names[0]);
    }
    EXPECT_TRUE(os.programs_using({free_file}).empty());
    EXPECT_TRUE(os.programs_using({}).empty());
}

}  // namespace
}  // namespace qs::test
