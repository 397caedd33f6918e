// Files, folders and directory searches of the real platform, on a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "platform/win32/handles.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

class Win32Files : public testing::Test {
protected:
    win32::win32_platform os;
    scratch_folder root;

    std::map<std::wstring, dir_entry> entries_by_name(const std::wstring& pattern)
    {
        std::map<std::wstring, dir_entry> by_name;
        for (const dir_entry& entry : os.find_entries(pattern)) by_name[entry.name] = entry;
        return by_name;
    }
    // The code of the system_error the call throws, whose text must be the system's for it; 0 when
    // it throws none.
    std::uint32_t code_thrown(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const system_error& error) {
            EXPECT_EQ(error.text(), os.system_message(error.code())) << error.code();
            return error.code();
        }
        return 0;
    }
    std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }
};

TEST_F(Win32Files, SearchReportsEveryAttributeSizeAndTheDotEntries)
{
    write_bytes(root / L"plain.txt", "12345");
    write_bytes(root / L"hidden.txt", "");
    write_bytes(root / L"system.txt", "x");
    write_bytes(root / L"readonly.txt", "ro");
    make_folders(root / L"sub");
    make_folders(root / L"hidden_dir");
    set_attributes(root / L"hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    set_attributes(root / L"system.txt", FILE_ATTRIBUTE_SYSTEM);
    set_attributes(root / L"readonly.txt", FILE_ATTRIBUTE_READONLY);
    set_attributes(root / L"hidden_dir", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);

    const auto found = entries_by_name(root / L"*.*");
    ASSERT_EQ(found.size(), 8u);  // six entries, "." and ".."
    ASSERT_TRUE(found.count(L".") && found.count(L".."));
    EXPECT_TRUE(found.at(L".").is_directory());
    EXPECT_TRUE(found.at(L"..").is_directory());
    EXPECT_EQ(found.at(L"plain.txt").size, 5u);
    EXPECT_FALSE(found.at(L"plain.txt").is_directory());
    EXPECT_NE(found.at(L"hidden.txt").attributes & attr::hidden, 0u);
    EXPECT_NE(found.at(L"system.txt").attributes & attr::system, 0u);
    EXPECT_NE(found.at(L"readonly.txt").attributes & attr::readonly, 0u);
    EXPECT_EQ(found.at(L"plain.txt").attributes & (attr::hidden | attr::system | attr::readonly), 0u);
    EXPECT_TRUE(found.at(L"sub").is_directory());
    EXPECT_EQ(found.at(L"sub").attributes & attr::hidden, 0u);
    EXPECT_EQ(found.at(L"hidden_dir").attributes & (attr::hidden | attr::directory), attr::hidden | attr::directory);
}

TEST_F(Win32Files, SearchMasksMatchOnlyTheirEntriesAndAMissingFolderGivesNone)
{
    write_bytes(root / L"a.ocx", "");
    write_bytes(root / L"b.txt", "");
    make_folders(root / L"folder.ocx");
    const auto found = entries_by_name(root / L"*.ocx");
    EXPECT_EQ(found.size(), 2u);
    EXPECT_TRUE(found.count(L"a.ocx") && found.count(L"folder.ocx"));
    EXPECT_TRUE(os.find_entries(root / L"missing\\*.*").empty());
    EXPECT_TRUE(os.find_entries(root / L"*.none").empty());

    EXPECT_TRUE(os.find_any(root / L"*.txt"));
    EXPECT_TRUE(os.find_any(root / L"folder.ocx"));
    EXPECT_FALSE(os.find_any(root / L"*.none"));
}

TEST_F(Win32Files, ExistenceTestsTellFilesFromFolders)
{
    write_bytes(root / L"file.txt", "x");
    write_bytes(root / L"hidden.txt", "x");
    set_attributes(root / L"hidden.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    make_folders(root / L"dir");
    set_attributes(root / L"dir", FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(os.file_exists(root / L"file.txt"));
    EXPECT_TRUE(os.file_exists(root / L"hidden.txt"));
    EXPECT_FALSE(os.file_exists(root / L"dir"));
    EXPECT_FALSE(os.file_exists(root / L"missing.txt"));
    EXPECT_TRUE(os.directory_exists(root / L"dir"));
    EXPECT_TRUE(os.directory_exists(root.path() + L"\\dir\\"));
    EXPECT_TRUE(os.directory_exists(root.path() + L"/dir"));
    EXPECT_FALSE(os.directory_exists(root / L"file.txt"));
    EXPECT_FALSE(os.directory_exists(root / L"missing"));
}

TEST_F(Win32Files, CreateDirectoryMakesOneLevelOnly)
{
    EXPECT_TRUE(os.create_directory(root / L"one"));
    EXPECT_TRUE(os.directory_exists(root / L"one"));
    EXPECT_FALSE(os.create_directory(root / L"one"));  // already there
    EXPECT_FALSE(os.create_directory(root / L"two\\three"));
    EXPECT_FALSE(os.directory_exists(root / L"two"));
}

TEST_F(Win32Files, CopyReplacesMoveReplacesAndDeleteReports)
{
    write_bytes(root / L"a.txt", "new");
    write_bytes(root / L"b.txt", "old content");
    EXPECT_TRUE(os.copy_file(root / L"a.txt", root / L"b.txt"));
    EXPECT_EQ(read_bytes(root / L"b.txt"), "new");
    EXPECT_EQ(read_bytes(root / L"a.txt"), "new");
    EXPECT_FALSE(os.copy_file(root / L"missing.txt", root / L"c.txt"));
    EXPECT_FALSE(os.file_exists(root / L"c.txt"));

    write_bytes(root / L"c.txt", "moved");
    os.move_file_replacing(root / L"c.txt", root / L"b.txt");
    EXPECT_EQ(read_bytes(root / L"b.txt"), "moved");
    EXPECT_FALSE(os.file_exists(root / L"c.txt"));
    try {
        os.move_file_replacing(root / L"c.txt", root / L"b.txt");
        ADD_FAILURE() << "moving a missing file must throw";
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), os.system_message(ERROR_FILE_NOT_FOUND));
    }

    EXPECT_TRUE(os.delete_file(root / L"b.txt"));
    EXPECT_FALSE(os.file_exists(root / L"b.txt"));
    EXPECT_FALSE(os.delete_file(root / L"b.txt"));
}

TEST_F(Win32Files, MoveWithoutReplacingRefusesAnExistingTargetWithItsCode)
{
    write_bytes(root / L"a.txt", "a");
    write_bytes(root / L"b.txt", "b");
    make_folders(root / L"sub");
    os.move_file(root / L"a.txt", root / L"sub\\moved.txt");
    EXPECT_EQ(read_bytes(root / L"sub\\moved.txt"), "a");
    EXPECT_FALSE(file_exists(root / L"a.txt"));

    EXPECT_EQ(code_thrown([&] { os.move_file(root / L"b.txt", root / L"sub\\moved.txt"); }), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(read_bytes(root / L"b.txt"), "b");
    EXPECT_EQ(read_bytes(root / L"sub\\moved.txt"), "a");
    // A read-only target is refused the same way, and stays as it was.
    set_attributes(root / L"sub\\moved.txt", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(code_thrown([&] { os.move_file(root / L"b.txt", root / L"sub\\moved.txt"); }), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(read_bytes(root / L"sub\\moved.txt"), "a");

    EXPECT_EQ(code_thrown([&] { os.move_file(root / L"missing.txt", root / L"c.txt"); }), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(code_thrown([&] { os.move_file(root / L"b.txt", root / L"no\\such\\c.txt"); }), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(read_bytes(root / L"b.txt"), "b");
}

TEST_F(Win32Files, MakeDirectoryMakesOneLevelAndSaysWhyItCouldNot)
{
    os.make_directory(root / L"one");
    EXPECT_TRUE(folder_exists(root / L"one"));
    os.make_directory(root / L"one");  // there already: nothing to say
    EXPECT_TRUE(folder_exists(root / L"one"));
    EXPECT_EQ(code_thrown([&] { os.make_directory(root / L"two\\three"); }), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(folder_exists(root / L"two"));
    write_bytes(root / L"file", "x");
    EXPECT_EQ(code_thrown([&] { os.make_directory(root / L"file"); }), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(read_bytes(root / L"file"), "x");
}

TEST_F(Win32Files, RemoveDirectoryRemovesOnlyAnEmptyFolder)
{
    make_folders(root / L"empty");
    write_bytes(root / L"full\\x.txt", "x");
    EXPECT_TRUE(os.remove_directory(root / L"empty"));
    EXPECT_FALSE(folder_exists(root / L"empty"));
    EXPECT_FALSE(os.remove_directory(root / L"full"));
    EXPECT_EQ(read_bytes(root / L"full\\x.txt"), "x");
    EXPECT_FALSE(os.remove_directory(root / L"missing"));
    EXPECT_FALSE(os.remove_directory(root / L"full\\x.txt"));
    EXPECT_TRUE(file_exists(root / L"full\\x.txt"));
}

// (Wine keeps the read-only bit as missing write permission, which a test run as root writes
// through: whether the bit stops writes is not checked here.)
TEST_F(Win32Files, AttributesAreReadAndSet)
{
    const std::wstring file = root / L"f.txt";
    write_bytes(file, "x");
    make_folders(root / L"d");
    EXPECT_FALSE(os.file_attributes(root / L"missing.txt").has_value());
    ASSERT_TRUE(os.file_attributes(root / L"d").has_value());
    EXPECT_NE(*os.file_attributes(root / L"d") & attr::directory, 0u);
    ASSERT_TRUE(os.file_attributes(file).has_value());
    EXPECT_EQ(*os.file_attributes(file) & (attr::directory | attr::readonly | attr::hidden), 0u);

    os.set_file_attributes(file, attr::readonly | attr::hidden);
    EXPECT_EQ(*os.file_attributes(file) & (attr::readonly | attr::hidden | attr::system), attr::readonly | attr::hidden);
    os.set_file_attributes(file, 0);  // none at all: a plain file again
    EXPECT_EQ(*os.file_attributes(file) & (attr::readonly | attr::hidden), 0u);
    os.write_file(file, bytes("y"));
    EXPECT_EQ(read_bytes(file), "y");

    EXPECT_EQ(code_thrown([&] { os.set_file_attributes(root / L"missing.txt", attr::readonly); }), ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32Files, WrittenThroughFilesAreReplacedAndAppendedFilesGrow)
{
    const std::wstring file = root / L"journal.txt";
    os.write_file_through(file, bytes("first\r\n"));
    EXPECT_EQ(read_bytes(file), "first\r\n");
    os.write_file_through(file, bytes("2"));
    EXPECT_EQ(read_bytes(file), "2");
    os.append_file(file, bytes("34"));
    os.append_file(file, {});
    os.append_file(file, bytes("5"));
    EXPECT_EQ(read_bytes(file), "2345");
    os.write_file_through(root / L"done.mark", {});
    EXPECT_EQ(read_bytes(root / L"done.mark"), "");

    os.append_file(root / L"new.log", bytes("line\r\n"));
    EXPECT_EQ(read_bytes(root / L"new.log"), "line\r\n");

    EXPECT_EQ(code_thrown([&] { os.write_file_through(root / L"no\\such\\x.txt", bytes("x")); }), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(code_thrown([&] { os.append_file(root / L"no\\such\\x.txt", bytes("x")); }), ERROR_PATH_NOT_FOUND);
    // Written through means flushed, not shared: a journal open elsewhere for writing is refused.
    {
        const win32::file_handle open_elsewhere(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(open_elsewhere);
        EXPECT_EQ(code_thrown([&] { os.write_file_through(file, bytes("6")); }), ERROR_SHARING_VIOLATION);
        EXPECT_EQ(code_thrown([&] { os.append_file(file, bytes("6")); }), ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(read_bytes(file), "2345");
}

TEST_F(Win32Files, ReadAndWriteRoundTripAndFailWithTheSystemText)
{
    std::vector<std::uint8_t> bytes(70000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    os.write_file(root / L"data.bin", bytes);
    EXPECT_EQ(os.read_file(root / L"data.bin"), bytes);
    os.write_file(root / L"data.bin", {});  // replacing truncates
    EXPECT_TRUE(os.read_file(root / L"data.bin").empty());

    try {
        os.read_file(root / L"missing.bin");
        ADD_FAILURE() << "reading a missing file must throw";
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), os.system_message(ERROR_FILE_NOT_FOUND));
    }
    try {
        os.write_file(root / L"no\\such\\folder.bin", bytes);
        ADD_FAILURE() << "writing into a missing folder must throw";
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), os.system_message(ERROR_PATH_NOT_FOUND));
    }
}

TEST_F(Win32Files, ProgramAndSpecialFoldersAreRealPaths)
{
    const std::wstring program = os.program_path();
    ASSERT_GT(program.size(), 15u);
    EXPECT_EQ(_wcsicmp(program.substr(program.size() - 15).c_str(), L"win32_tests.exe"), 0) << narrow(program);
    EXPECT_TRUE(os.file_exists(program));

    const std::wstring appdata = os.appdata_folder();
    EXPECT_TRUE(os.directory_exists(appdata)) << narrow(appdata);
    EXPECT_NE(appdata.back(), L'\\');
    const std::wstring desktop = os.desktop_folder();
    EXPECT_TRUE(os.directory_exists(desktop)) << narrow(desktop);
    EXPECT_NE(desktop.back(), L'\\');

    const std::wstring windows = os.windows_directory();
    wchar_t system_root[MAX_PATH + 1];
    ASSERT_GT(GetEnvironmentVariableW(L"SystemRoot", system_root, MAX_PATH + 1), 0u);
    EXPECT_EQ(_wcsicmp(windows.c_str(), system_root), 0) << narrow(windows);
    EXPECT_TRUE(os.directory_exists(windows));
}

}  // namespace
}  // namespace qs::test

// ---- paths deeper than MAX_PATH

namespace qs::test {
namespace {

TEST_F(Win32Files, PathsFromMaxPathOnTakeTheExtendedFormAndEveryFileFunctionUsesIt)
{
    EXPECT_EQ(win32::extended_path(L"C:\\short\\x.txt"), L"C:\\short\\x.txt");
    const std::wstring level(120, L'd');
    const std::wstring deep_tail = level + L"\\" + level + L"\\" + level;
    EXPECT_EQ(win32::extended_path(L"C:\\" + deep_tail), L"\\\\?\\C:\\" + deep_tail);
    EXPECT_EQ(win32::extended_path(L"\\\\server\\apps\\" + deep_tail), L"\\\\?\\UNC\\server\\apps\\" + deep_tail);
    EXPECT_EQ(win32::extended_path(L"\\\\?\\C:\\" + deep_tail), L"\\\\?\\C:\\" + deep_tail);

    // An installation about 300 characters deep: what a commit and its undoing do there.
    std::wstring folder = root.path();
    for (int i = 0; folder.size() < 300; ++i) {
        folder += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + i));
        os.make_directory(folder);
    }
    ASSERT_TRUE(os.directory_exists(folder));
    const std::wstring file = folder + L"\\app.exe", aside = folder + L"\\app.old";
    os.write_file_through(file, {'o', 'l', 'd'});
    os.move_file(file, aside);
    os.write_file(file, {'n', 'e', 'w'});
    EXPECT_EQ(os.md5_hex_of_files({file}), (std::vector<std::wstring>{L"22AF645D1859CB5CA6DA0C484F1F37EA"}));
    os.append_file(file, {'!'});
    EXPECT_EQ(os.read_file(file), (std::vector<std::uint8_t>{'n', 'e', 'w', '!'}));
    EXPECT_EQ(os.find_entries(folder + L"\\*.old").size(), 1u);
    EXPECT_FALSE(os.file_in_use(file));
    os.move_file_replacing(aside, file);
    EXPECT_EQ(os.read_file(file), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_NE(os.hold_file_exclusively(folder + L"\\lock"), nullptr);
    EXPECT_TRUE(os.delete_file(file));
    EXPECT_TRUE(os.remove_directory(folder));
}

}  // namespace
}  // namespace qs::test
