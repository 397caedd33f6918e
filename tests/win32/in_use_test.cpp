// Files held open by another process, as the Internet update meets them before it replaces files:
// the holder is a program of our own (tests/win32/hold_file.cpp), so the claims are real claims
// of another process.
#include <gtest/gtest.h>

#include <cwctype>
#include <memory>

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

// ---- one task per installation, and what a name means on disk

namespace qs::test {
namespace {

TEST_F(Win32InUse, AFileHeldWithNoSharingRefusesEveryOtherNameOfItAndGoesWithItsHandle)
{
    const std::wstring folder = root / L"a long folder name";
    const std::wstring lock = folder + L"\\lock";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::unique_ptr<named_lock> held = os.hold_file_exclusively(lock);
    ASSERT_NE(held, nullptr);
    std::wstring short_form(MAX_PATH, L'\0');
    short_form.resize(GetShortPathNameW(lock.c_str(), short_form.data(), MAX_PATH));
    ASSERT_FALSE(short_form.empty());
    ASSERT_NE(short_form, lock);
    EXPECT_EQ(os.hold_file_exclusively(short_form), nullptr);
    EXPECT_EQ(os.long_path_name(short_form), lock);
    // Another process is refused too, and the file goes when the claim ends.
    holder_process other(holder_process::kind::file, lock);
    EXPECT_FALSE(other.holding());
    held.reset();
    EXPECT_FALSE(os.file_exists(lock));
    // A file that nobody holds, as a crash leaves it, is no claim.
    write_bytes(lock, "");
    EXPECT_NE(os.hold_file_exclusively(short_form), nullptr);
}

TEST_F(Win32InUse, NamesFoldAsTheFileSystemComparesThemAndRunningImagesAreLoaded)
{
    EXPECT_EQ(os.fold_name_case(L"\u0434\u0430\u043d\u043d\u044b\u0435"), os.fold_name_case(L"\u0414\u0410\u041d\u041d\u042b\u0415"));
    EXPECT_EQ(os.fold_name_case(L"\u03c3\u03bf\u03c6\u03af\u03b1"), os.fold_name_case(L"\u03a3\u039f\u03a6\u038a\u0391"));
    EXPECT_NE(os.fold_name_case(L"a.txt"), os.fold_name_case(L"b.txt"));

    // The holder runs from its own image; this process's image is no other program's.
    holder_process running(holder_process::kind::file, core);
    ASSERT_TRUE(running.holding()) << running.answer();
    const std::wstring holder = holder_program();
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    EXPECT_EQ(os.loaded_by_programs({free_file, holder, self}), (std::vector<std::wstring>{holder}));
}

}  // namespace
}  // namespace qs::test
