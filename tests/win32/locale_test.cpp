// Locale texts and collation of the real platform.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/latin1_collation.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

int sign(int value)
{
    return (value > 0) - (value < 0);
}

const std::vector<std::wstring> words = {
    L"abc",       L"ABC",        L"Abc",        L"ab-c",       L"a-bc",       L"abc-",      L"ab_c",
    L"a_b",       L"ab",         L"abcd",       L"b",          L"B",          L"10.txt",    L"9.txt",
    L"1.txt",     L"01.txt",     L"\u00e4rger", L"\u00c4rger", L"arger",      L"ae",        L"zebra",
    L"Zebra",     L"\u00fcber",  L"uber",       L"\u00df",     L"ss",         L"file.txt",  L"file_1.txt",
    L"file-1.txt", L"File.TXT",  L"sub/a.txt",  L"sub\\a.txt", L"sub1/a.txt", L"sub_a.txt", L"",
    L" lead",     L"~tilde",     L"_under",     L"-hyphen",    L"co-op",      L"coop",      L"COOP"};

void expect_sort_keys_order_like_compare(win32::win32_platform& os, bool ignore_case)
{
    std::vector<std::string> keys;
    for (const std::wstring& word : words) keys.push_back(os.sort_key(word, ignore_case));
    for (std::size_t i = 0; i < words.size(); ++i) {
        for (std::size_t j = 0; j < words.size(); ++j) {
            const int by_compare = sign(os.compare_locale(words[i], words[j], ignore_case));
            const int by_key = sign(keys[i].compare(keys[j]));
            EXPECT_EQ(by_compare, by_key) << narrow(words[i]) << " vs " << narrow(words[j])
                                          << (ignore_case ? " ignoring case" : " with case");
        }
    }
}

TEST(Win32Locale, SortKeysOrderExactlyAsCompareString)
{
    win32::win32_platform os;
    expect_sort_keys_order_like_compare(os, true);
    expect_sort_keys_order_like_compare(os, false);
}

TEST(Win32Locale, AListsKeysAreItsTextsKeysEvenWhenOneOutgrowsTheBuffer)
{
    win32::win32_platform os;
    // Long enough that their keys need more room than a usual line's.
    std::vector<std::wstring> texts = words;
    texts.push_back(std::wstring(5000, L'x') + L"a");
    texts.push_back(std::wstring(3000, L'\u00df'));
    texts.push_back(std::wstring(5000, L'x') + L"B");
    texts.push_back(L"after the long ones");
    for (const bool ignore_case : {true, false}) {
        const sort_key_table table = os.sort_keys(texts, ignore_case);
        ASSERT_EQ(table.ends.size(), texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(table.key(i), os.sort_key(texts[i], ignore_case)) << i << (ignore_case ? " ignoring case" : "");
        const std::size_t a = words.size(), b = words.size() + 2;
        EXPECT_EQ(sign(table.key(a).compare(table.key(b))), sign(os.compare_locale(texts[a], texts[b], ignore_case)));
    }
    EXPECT_TRUE(os.sort_keys({}, true).bytes.empty());
}

TEST(Win32Locale, LatinOneLettersSortWithTheirBaseLetters)
{
    win32::win32_platform os;
    expect_windows_latin1_collation(os);
}

TEST(Win32Locale, CaseIsIgnoredOnlyWhenAsked)
{
    win32::win32_platform os;
    EXPECT_EQ(os.compare_locale(L"File.TXT", L"file.txt", true), 0);
    EXPECT_NE(os.compare_locale(L"File.TXT", L"file.txt", false), 0);
    EXPECT_EQ(os.sort_key(L"File.TXT", true), os.sort_key(L"file.txt", true));
    EXPECT_NE(os.sort_key(L"File.TXT", false), os.sort_key(L"file.txt", false));
    EXPECT_LT(os.compare_locale(L"a", L"b", true), 0);
    EXPECT_GT(os.compare_locale(L"B", L"a", true), 0);
    EXPECT_LT(os.compare_locale(L"abc", L"abcd", false), 0);
}

TEST(Win32Locale, AnsiTextRoundTrips)
{
    win32::win32_platform os;
    std::string ascii;
    for (char c = 0x20; c < 0x7F; ++c) ascii.push_back(c);
    EXPECT_EQ(os.from_ansi(ascii), std::wstring(ascii.begin(), ascii.end()));
    EXPECT_EQ(os.to_ansi(os.from_ansi(ascii)), ascii);
    EXPECT_EQ(os.from_ansi(""), L"");
    EXPECT_EQ(os.to_ansi(L""), "");
    EXPECT_EQ(os.from_ansi(std::string("a\r\nb\tc")), L"a\r\nb\tc");

    // Every byte the code page maps comes back unchanged through the wide text.
    int mapped = 0;
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::wstring wide = os.from_ansi(one);
        ASSERT_EQ(wide.size(), 1u);
        if (wide[0] == 0xFFFD || wide[0] == L'?') continue;
        ++mapped;
        EXPECT_EQ(os.to_ansi(wide), one) << byte;
    }
    if (GetACP() == 1252) {
        EXPECT_EQ(os.from_ansi("gr\xfc\xdf"), L"gr\u00fc\u00df");
        EXPECT_EQ(os.to_ansi(L"\u20ac"), "\x80");
        EXPECT_GE(mapped, 120);
    }
}

TEST(Win32Locale, SystemMessagesHaveNoFinalLineBreak)
{
    win32::win32_platform os;
    for (DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                       ERROR_CANTREAD}) {
        const std::wstring text = os.system_message(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), L'\n') << code;
        EXPECT_NE(text.back(), L'\r') << code;
        EXPECT_EQ(text, win32::system_text(code));
    }
    EXPECT_NE(os.system_message(ERROR_FILE_NOT_FOUND), os.system_message(ERROR_PATH_NOT_FOUND));

    SetLastError(ERROR_ACCESS_DENIED);
    try {
        win32::throw_last_error();
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), os.system_message(ERROR_ACCESS_DENIED));
    }
}

}  // namespace
}  // namespace qs::test
