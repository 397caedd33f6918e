// MD5 digests of real files through BCrypt, against digests computed independently
// (RFC 1321's test suite, and md5sum for the generated 3 MiB file).
#include <gtest/gtest.h>

#include "platform/win32/handles.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

class Win32Md5 : public testing::Test {
protected:
    win32::win32_platform os;
    scratch_folder root;
};

TEST_F(Win32Md5, DigestsOfKnownContentsInTheOrderGiven)
{
    write_bytes(root / L"empty.txt", "");
    write_bytes(root / L"abc.txt", "abc");
    write_bytes(root / L"digest.txt", "message digest");
    // 3 MiB and 17 bytes: three full 1 MiB reads and a short one.
    std::string large(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(((i * 131) ^ (i >> 12)) & 0xFF);
    write_bytes(root / L"large.bin", large);

    const std::vector<std::wstring> digests = os.md5_hex_of_files(
        {root / L"abc.txt", root / L"empty.txt", root / L"large.bin", root / L"digest.txt", root / L"abc.txt"});
    EXPECT_EQ(digests, (std::vector<std::wstring>{
                           L"900150983CD24FB0D6963F7D28E17F72", L"D41D8CD98F00B204E9800998ECF8427E",
                           L"485CF50479A9AEDFC35DF4087C06D427", L"F96B697D7CB7938D525A2F31AAF161D0",
                           L"900150983CD24FB0D6963F7D28E17F72"}));
    EXPECT_TRUE(os.md5_hex_of_files({}).empty());
}

TEST_F(Win32Md5, HiddenSystemAndReadOnlyFilesAreHashed)
{
    write_bytes(root / L"h.txt", "abc");
    set_attributes(root / L"h.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(os.md5_hex_of_files({root / L"h.txt"}), (std::vector<std::wstring>{L"900150983CD24FB0D6963F7D28E17F72"}));
}

TEST_F(Win32Md5, AMissingFileThrowsTheSystemTextAlone)
{
    write_bytes(root / L"abc.txt", "abc");
    try {
        os.md5_hex_of_files({root / L"abc.txt", root / L"missing.txt"});
        ADD_FAILURE() << "a missing file must throw";
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), os.system_message(ERROR_FILE_NOT_FOUND));
    }
}

TEST_F(Win32Md5, WritersAreDeniedAndAFileBeingWrittenCannotBeHashed)
{
    write_bytes(root / L"busy.txt", "abc");
    {
        // While the digest is read, nobody may open the file for writing. Here a writer holds
        // it first, so the read-only open that denies writers is refused.
        const win32::file_handle writer(CreateFileW((root / L"busy.txt").c_str(), GENERIC_WRITE,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        try {
            os.md5_hex_of_files({root / L"busy.txt"});
            ADD_FAILURE() << "a file open for writing must not be hashed";
        } catch (const system_error& error) {
            EXPECT_EQ(error.text(), os.system_message(ERROR_SHARING_VIOLATION));
        }
    }
    {
        // Other readers are welcome.
        const win32::file_handle reader(CreateFileW((root / L"busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader);
        EXPECT_EQ(os.md5_hex_of_files({root / L"busy.txt"}),
                  (std::vector<std::wstring>{L"900150983CD24FB0D6963F7D28E17F72"}));
    }
}

}  // namespace
}  // namespace qs::test
