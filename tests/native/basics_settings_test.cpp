#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "basics/settings.h"

namespace qs {
namespace {

std::int32_t int_of(const std::wstring& text, std::int32_t fallback = -7)
{
    std::int32_t v = fallback;
    return parse_int32(text, v) ? v : fallback;
}

TEST(ParseInt32, DecimalAndHexFormsWithSignAndLeadingBlanks)
{
    EXPECT_EQ(int_of(L"800"), 800);
    EXPECT_EQ(int_of(L"  800"), 800);
    EXPECT_EQ(int_of(L"+12"), 12);
    EXPECT_EQ(int_of(L"-12"), -12);
    EXPECT_EQ(int_of(L"$1F"), 31);
    EXPECT_EQ(int_of(L"x1f"), 31);
    EXPECT_EQ(int_of(L"X10"), 16);
    EXPECT_EQ(int_of(L"0x10"), 16);
    EXPECT_EQ(int_of(L"-$10"), -16);
    EXPECT_EQ(int_of(L"007"), 7);
}

TEST(ParseInt32, RejectsAnythingThatIsNotANumberAsAWhole)
{
    for (const wchar_t* bad : {L"", L" ", L"x", L"$", L"0x", L"-", L"800 ", L"8 00", L"12,5", L"1.0",
                               L"abc", L"1e3", L"\t5", L"--5", L"$G"}) {
        std::int32_t v = 99;
        EXPECT_FALSE(parse_int32(bad, v)) << "accepted: '" << std::string(bad, bad + std::wcslen(bad)) << "'";
        EXPECT_EQ(v, 99);
    }
}

TEST(ParseInt32, Signed32BitRangeAlsoInHex)
{
    EXPECT_EQ(int_of(L"2147483647"), 2147483647);
    EXPECT_EQ(int_of(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(int_of(L"$7FFFFFFF"), 2147483647);
    EXPECT_EQ(int_of(L"-$80000000"), INT32_MIN);
    EXPECT_EQ(int_of(L"2147483648"), -7);
    EXPECT_EQ(int_of(L"-2147483649"), -7);
    EXPECT_EQ(int_of(L"$80000000"), -7);
    EXPECT_EQ(int_of(L"99999999999999999999999"), -7);
}

TEST(ParseReal, DecimalNumbersOnly)
{
    float v = 0;
    ASSERT_TRUE(parse_real(L"12.5", v));
    EXPECT_FLOAT_EQ(v, 12.5f);
    ASSERT_TRUE(parse_real(L" -0.25 ", v));
    EXPECT_FLOAT_EQ(v, -0.25f);
    ASSERT_TRUE(parse_real(L"+3", v));
    EXPECT_FLOAT_EQ(v, 3.0f);
    ASSERT_TRUE(parse_real(L".5", v));
    EXPECT_FLOAT_EQ(v, 0.5f);
    ASSERT_TRUE(parse_real(L"5.", v));
    EXPECT_FLOAT_EQ(v, 5.0f);
    ASSERT_TRUE(parse_real(L"1.5E2", v));
    EXPECT_FLOAT_EQ(v, 150.0f);
    v = 42;
    for (const wchar_t* bad : {L"", L".", L"12,5", L"1.2.3", L"1e", L"e5", L"0x10", L"inf", L"nan", L"1e99", L"5x"})
        EXPECT_FALSE(parse_real(bad, v));
    EXPECT_FLOAT_EQ(v, 42.0f);
}

TEST(SettingsLookup, KeyLineMatchesWholeAfterAsciiUpperCase)
{
    EXPECT_EQ(find_int_setting(L"Window width", {L"WINDOW WIDTH", L"800"}, 1024), 800);
    EXPECT_EQ(find_int_setting(L"Window width", {L"window Width", L"800"}, 1024), 800);
    EXPECT_EQ(find_int_setting(L"Window width", {L" WINDOW WIDTH", L"800"}, 1024), 1024);
    EXPECT_EQ(find_int_setting(L"Window width", {L"WINDOW WIDTH ", L"800"}, 1024), 1024);
    // Only a to z are folded: a non-ASCII letter must match exactly.
    EXPECT_EQ(find_text_setting(L"gr\u00f6\u00dfe", {L"GR\u00d6\u00dfE", L"v"}, L"d"), L"d");
    EXPECT_EQ(find_text_setting(L"gr\u00f6\u00dfe", {L"GR\u00f6\u00dfE", L"v"}, L"d"), L"v");
}

TEST(SettingsLookup, LastValidValueWinsAndBadValuesLeaveTheResult)
{
    EXPECT_EQ(find_int_setting(L"k", {L"k", L"5", L"k", L"x"}, 0), 5);
    EXPECT_EQ(find_int_setting(L"k", {L"k", L"5", L"k", L"7"}, 0), 7);
    EXPECT_EQ(find_int_setting(L"k", {L"k", L"x"}, 3), 3);
    // A key on the last line has no value line: the default stands.
    EXPECT_EQ(find_int_setting(L"k", {L"other", L"1", L"k"}, 3), 3);
    EXPECT_EQ(find_text_setting(L"k", {L"k"}, L"def"), L"def");
}

TEST(SettingsLookup, AValueLineIsNeverReadAsAKeyLine)
{
    // The value line "k" of the first pair must not start a pair of its own with "5".
    EXPECT_EQ(find_int_setting(L"k", {L"k", L"k", L"5"}, 0), 0);
    EXPECT_EQ(find_text_setting(L"k", {L"k", L"k", L"5"}, L"none"), L"k");
    // Lines that are no key of interest are skipped one by one, so a pair may start anywhere.
    EXPECT_EQ(find_text_setting(L"b", {L"a", L"b", L"9"}, L"none"), L"9");
    EXPECT_EQ(find_text_setting(L"b", {L"a", L"1", L"b", L"2"}, L"none"), L"2");
}

TEST(SettingsLookup, TextIsTakenUnchangedAndRealsReadCommaAsPoint)
{
    EXPECT_EQ(find_text_setting(L"Start configuration", {L"start configuration", L"  my cfg "}, L""), L"  my cfg ");
    EXPECT_EQ(find_text_setting(L"Start configuration", {L"start configuration", L""}, L"d"), L"");
    EXPECT_FLOAT_EQ(find_real_setting(L"Valdor YT maximum", {L"Valdor YT maximum", L"12,5"}, 98.0f), 12.5f);
    EXPECT_FLOAT_EQ(find_real_setting(L"Valdor YT maximum", {L"Valdor YT maximum", L"1,2,5"}, 98.0f), 98.0f);
    EXPECT_EQ(comma_to_point(L"1,2,,3"), L"1.2..3");
}

}  // namespace
}  // namespace qs
