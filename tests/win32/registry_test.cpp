// The registry as Wine keeps it: values written with RegSetValueExW or by the platform, read back
// by the platform and by Wine's own reg.exe.
#include <gtest/gtest.h>

#include "basics/fs_helpers.h"
#include "platform/win32/handles.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

const wchar_t* const test_key = L"Software\\qs_test";

void delete_key_tree(HKEY root, const wchar_t* key)
{
    RegDeleteTreeW(root, key);
    RegDeleteKeyW(root, key);
}

class Win32Registry : public testing::Test {
protected:
    win32::win32_platform os;

    void SetUp() override
    {
        delete_key_tree(HKEY_CURRENT_USER, test_key);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, test_key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  key_.receive(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        key_.reset();
        delete_key_tree(HKEY_CURRENT_USER, test_key);
    }

    void set(const wchar_t* name, DWORD type, const void* data, std::size_t size)
    {
        ASSERT_EQ(RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }
    void set_text(const wchar_t* name, DWORD type, const std::wstring& text)
    {
        set(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    registry_value read(const std::wstring& name)
    {
        return read_registry_value(os, registry_root::current_user, test_key, name);
    }
    void expect_cant_read(const std::wstring& name)
    {
        try {
            read(name);
            ADD_FAILURE() << narrow(name) << " must not be readable";
        } catch (const system_error& error) {
            EXPECT_EQ(error.text(), os.system_message(ERROR_CANTREAD));
            EXPECT_FALSE(error.text().empty());
        }
    }

private:
    win32::registry_key key_;
};

TEST_F(Win32Registry, StringsNumbersAndBinaryDataAreReadAsStored)
{
    set_text(L"text", REG_SZ, L"C:\\Program Files\\Korvex");
    set_text(L"expandable", REG_EXPAND_SZ, L"%SystemRoot%\\system32");
    const DWORD number = 0x89ABCDEF;
    set(L"number", REG_DWORD, &number, sizeof number);
    const BYTE binary[] = {'A', 0, 'B', 0, 0x34, 0x12, 'Z'};
    set(L"binary", REG_BINARY, binary, sizeof binary);
    set_text(L"", REG_SZ, L"default value");

    EXPECT_EQ(std::get<std::wstring>(read(L"text")), L"C:\\Program Files\\Korvex");
    EXPECT_EQ(std::get<std::wstring>(read(L"expandable")), L"%SystemRoot%\\system32");
    EXPECT_EQ(std::get<std::uint32_t>(read(L"number")), 0x89ABCDEFu);
    EXPECT_EQ(std::get<std::wstring>(read(L"binary")), std::wstring(L"AB\x1234Z"));
    EXPECT_EQ(std::get<std::wstring>(read(L"")), L"default value");

    // A leading "\" on the key path is taken relative to the root.
    EXPECT_EQ(std::get<std::wstring>(read_registry_value(os, registry_root::current_user,
                                                         L"\\Software\\qs_test", L"text")),
              L"C:\\Program Files\\Korvex");
}

TEST_F(Win32Registry, OtherTypesAndMissingValuesGiveTheRegistryReadErrorText)
{
    const wchar_t multi[] = L"one\0two\0";
    set(L"multi", REG_MULTI_SZ, multi, sizeof multi);
    const unsigned long long quad = 5;
    set(L"quad", REG_QWORD, &quad, sizeof quad);
    expect_cant_read(L"multi");
    expect_cant_read(L"quad");
    expect_cant_read(L"missing");

    const registry_data raw = os.query_registry_value(registry_root::current_user, test_key, L"missing");
    EXPECT_EQ(raw.type, reg_type::none);
}

TEST_F(Win32Registry, AKeyThatCannotBeOpenedGivesTheOpenError)
{
    try {
        read_registry_value(os, registry_root::current_user, L"Software\\qs_test\\no such key", L"x");
        ADD_FAILURE() << "a missing key must throw";
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), os.system_message(ERROR_FILE_NOT_FOUND));
    }
}

TEST(Win32RegistryMachine, ProgramFilesFolderIsWhatRegQueryShows)
{
    win32::win32_platform os;
    const std::string shown = reg_query_data(
        run_captured(L"reg.exe query \"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\" /v ProgramFilesDir"),
        "ProgramFilesDir");
    ASSERT_NE(shown, "<no value>");
    const std::wstring folder = program_files_folder(os);
    EXPECT_EQ(narrow(folder), shown);
    EXPECT_TRUE(os.directory_exists(folder));
}

class Win32ClassesRoot : public testing::Test {
protected:
    win32::win32_platform os;
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    static void clean()
    {
        delete_key_tree(HKEY_CLASSES_ROOT, L".qs_test_ext");
        delete_key_tree(HKEY_CLASSES_ROOT, L"QsTest.Document");
    }
};

TEST_F(Win32ClassesRoot, DefaultValuesAreWrittenAsStringsThatRegQueryReadsBack)
{
    os.set_registry_default_value(registry_root::classes_root, L".qs_test_ext", L"QsTest.Document");
    os.set_registry_default_value(registry_root::classes_root, L"QsTest.Document\\Shell\\Open\\Command",
                                  L"\"C:\\P\\abc.exe\" \"%1\"");
    os.set_registry_default_value(registry_root::classes_root, L".qs_test_ext", L"QsTest.Replaced");

    EXPECT_EQ(reg_query_data(run_captured(L"reg.exe query HKCR\\.qs_test_ext /ve"), "(Default)"),
              "QsTest.Replaced");
    EXPECT_EQ(reg_query_data(run_captured(L"reg.exe query \"HKCR\\QsTest.Document\\Shell\\Open\\Command\" /ve"),
                             "(Default)"),
              "\"C:\\P\\abc.exe\" \"%1\"");

    // The stored size counts the terminating NUL, as a REG_SZ value must.
    const registry_data raw = os.query_registry_value(registry_root::classes_root, L".qs_test_ext", L"");
    EXPECT_EQ(raw.type, reg_type::sz);
    ASSERT_EQ(raw.bytes.size(), (std::wstring(L"QsTest.Replaced").size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(raw.bytes[raw.bytes.size() - 1], 0);
    EXPECT_EQ(raw.bytes[raw.bytes.size() - 2], 0);
    EXPECT_TRUE(raw.complete);

    // An empty value is an empty string, not a missing one.
    os.set_registry_default_value(registry_root::classes_root, L"QsTest.Document", L"");
    EXPECT_EQ(std::get<std::wstring>(read_registry_value(os, registry_root::classes_root, L"QsTest.Document", L"")),
              L"");
}

TEST_F(Win32ClassesRoot, AWriteThatFailsThrowsTheSystemText)
{
    // A key below a volatile key cannot be made non-volatile: the registry refuses the create.
    win32::registry_key volatile_key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"QsTest.Document", 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                              nullptr, volatile_key.receive(), nullptr),
              ERROR_SUCCESS);
    try {
        os.set_registry_default_value(registry_root::classes_root, L"QsTest.Document\\DefaultIcon", L"x");
        ADD_FAILURE() << "creating a stable key below a volatile one must fail";
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), os.system_message(ERROR_CHILD_MUST_BE_VOLATILE));
    }
}

}  // namespace
}  // namespace qs::test
