#include <gtest/gtest.h>

#include "basics/text_files.h"
#include "platform/fake/fake_platform.h"

namespace qs {
namespace {

using fake::bytes_of;

TEST(SplitLines, BreaksAtCrLfCrAndLfWithoutEmptyFinalEntry)
{
    EXPECT_EQ(split_lines(L"a\r\nb\rc\nd"), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(split_lines(L"a\r\n"), (std::vector<std::wstring>{L"a"}));
    EXPECT_EQ(split_lines(L"a\n\n"), (std::vector<std::wstring>{L"a", L""}));
    EXPECT_EQ(split_lines(L"\r\n"), (std::vector<std::wstring>{L""}));
    EXPECT_TRUE(split_lines(L"").empty());
    // LF CR is two breaks, not one.
    EXPECT_EQ(split_lines(L"a\n\rb"), (std::vector<std::wstring>{L"a", L"", L"b"}));
}

TEST(DecodeText, ByteOrderMarksDecideTheEncodingElseAnsi)
{
    fake::fake_platform os;
    auto utf8 = decode_text(bytes_of("\xEF\xBB\xBF" "gr\xC3\xBC\xC3\x9F"), os);
    EXPECT_EQ(utf8.encoding, text_encoding::utf8);
    EXPECT_EQ(utf8.text, L"gr\u00fc\u00df");
    auto le = decode_text(bytes_of(std::string("\xFF\xFE" "a\0\xE4\0", 6)), os);
    EXPECT_EQ(le.encoding, text_encoding::utf16le);
    EXPECT_EQ(le.text, L"a\u00e4");
    auto be = decode_text(bytes_of(std::string("\xFE\xFF\0a\0\xE4", 6)), os);
    EXPECT_EQ(be.encoding, text_encoding::utf16be);
    EXPECT_EQ(be.text, L"a\u00e4");
    auto ansi = decode_text(bytes_of("gr\xFC\xDF"), os);
    EXPECT_EQ(ansi.encoding, text_encoding::ansi);
    EXPECT_EQ(ansi.text, L"gr\u00fc\u00df");
}

TEST(DecodeText, EncodingRoundTripsForEveryEncoding)
{
    fake::fake_platform os;
    const std::wstring text = L"K\u00f6ln\r\nzwei";
    for (auto e : {text_encoding::ansi, text_encoding::utf8, text_encoding::utf16le, text_encoding::utf16be}) {
        auto decoded = decode_text(encode_text(text, e, os), os);
        EXPECT_EQ(decoded.text, text);
        EXPECT_EQ(decoded.encoding, e);
    }
}

TEST(SaveLines, AnsiWithCrLfAfterEveryLineAndEmptyListGivesEmptyFile)
{
    fake::fake_platform os;
    save_lines(os, L"C:\\out.txt", {L"eins", L"", L"dr\u00fc"});
    EXPECT_EQ(os.content(L"C:\\out.txt"), "eins\r\n\r\ndr\xFC\r\n");
    save_lines(os, L"C:\\out.txt", {});
    EXPECT_EQ(os.content(L"C:\\out.txt"), "");
}

TEST(Utf8, IllFormedBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(utf8_to_wide("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(utf8_to_wide("\xC0\xAF"), L"\uFFFD\uFFFD");  // overlong "/"
    EXPECT_EQ(utf8_to_wide("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");  // a surrogate
    EXPECT_EQ(wide_to_utf8(L"\u00e4\u20ac"), "\xC3\xA4\xE2\x82\xAC");
}

}  // namespace
}  // namespace qs
