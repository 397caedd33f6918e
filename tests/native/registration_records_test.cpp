#include <gtest/gtest.h>

#include <limits>

#include "basics/settings.h"
#include "setup_main/extension_records.h"

namespace qs {
namespace {

std::int32_t parsed(const std::wstring& text)
{
    std::int32_t v = 12345;
    EXPECT_TRUE(parse_int32(text, v)) << "rejected: \"" << std::string(text.begin(), text.end()) << "\"";
    return v;
}

bool rejected(const std::wstring& text)
{
    std::int32_t v = 12345;
    const bool ok = parse_int32(text, v);
    EXPECT_EQ(v, 12345) << "a rejected text changed the value";
    return !ok;
}

// The sixth line of an extension record, read with the settings files' number syntax.
TEST(IconIndexLine, AcceptedForms)
{
    EXPECT_EQ(parsed(L"0"), 0);
    EXPECT_EQ(parsed(L" 3"), 3);
    EXPECT_EQ(parsed(L"-1"), -1);
    EXPECT_EQ(parsed(L"+7"), 7);
    EXPECT_EQ(parsed(L"$A"), 10);
    EXPECT_EQ(parsed(L"x1F"), 31);
    EXPECT_EQ(parsed(L"X1f"), 31);
    EXPECT_EQ(parsed(L"0x10"), 16);
    EXPECT_EQ(parsed(L"2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(parsed(L"-2147483648"), std::numeric_limits<std::int32_t>::min());
}

TEST(IconIndexLine, RejectedForms)
{
    for (const wchar_t* bad : {L"", L"3 ", L"abc", L"3a", L"A", L"$", L"x", L"X", L"0x", L"- 3", L"2147483648",
                               L"-2147483649", L"$80000000", L"99999999999999999999999"})
        EXPECT_TRUE(rejected(bad));
}

std::vector<std::wstring> record_lines(const std::wstring& tag, const std::wstring& icon)
{
    return {L"." + tag, tag + L".Document", tag + L" document", tag + L".exe", L"%1", icon};
}

std::vector<std::wstring> joined(std::initializer_list<std::vector<std::wstring>> parts)
{
    std::vector<std::wstring> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(ExtensionRecords, SixLinesARecordAndTheRemainderIgnored)
{
    auto thirteen = joined({record_lines(L"abc", L"0"), record_lines(L"def", L"$A"), {L".ghi"}});
    ASSERT_EQ(thirteen.size(), 13u);
    const auto records = parse_extension_records(thirteen);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].extension, L".abc");
    EXPECT_EQ(records[0].file_type, L"abc.Document");
    EXPECT_EQ(records[0].description, L"abc document");
    EXPECT_EQ(records[0].program_file, L"abc.exe");
    EXPECT_EQ(records[0].argument, L"%1");
    EXPECT_EQ(records[0].icon_index, 0);
    EXPECT_EQ(records[1].extension, L".def");
    EXPECT_EQ(records[1].icon_index, 10);

    auto five = record_lines(L"abc", L"0");
    five.pop_back();
    EXPECT_TRUE(parse_extension_records(five).empty());
    EXPECT_TRUE(parse_extension_records({}).empty());
}

TEST(ExtensionRecords, InvalidSixthLineSkipsOnlyItsRecord)
{
    const auto records = parse_extension_records(joined({record_lines(L"a", L"3 "), record_lines(L"b", L""),
                                                         record_lines(L"c", L"three"), record_lines(L"d", L" 3"),
                                                         record_lines(L"e", L"-1")}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].extension, L".d");
    EXPECT_EQ(records[0].icon_index, 3);
    EXPECT_EQ(records[1].extension, L".e");
    EXPECT_EQ(records[1].icon_index, -1);
}

TEST(ExtensionRecords, LinesAreUsedVerbatim)
{
    const auto records = parse_extension_records({L" .abc ", L"", L"Abc  document ", L"sub\\abc.exe", L"", L"1"});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].extension, L" .abc ");
    EXPECT_EQ(records[0].file_type, L"");
    EXPECT_EQ(records[0].description, L"Abc  document ");
    EXPECT_EQ(records[0].program_file, L"sub\\abc.exe");
    EXPECT_EQ(records[0].argument, L"");
}

TEST(FileTypeKeys, FourKeysInOrderForTheExampleFolder)
{
    const extension_record abc{L".abc", L"Abc.Document", L"Abc document", L"abc.exe", L"%1", 0};
    const std::array<registry_default, 4> expected{{
        {L".abc", L"Abc.Document"},
        {L"Abc.Document", L"Abc document"},
        {L"Abc.Document\\DefaultIcon", L"C:\\P\\abc.exe,0"},
        {L"Abc.Document\\Shell\\Open\\Command", L"\"C:\\P\\abc.exe\" \"%1\""},
    }};
    EXPECT_EQ(file_type_keys(abc, L"C:\\P\\"), expected);
    EXPECT_EQ(file_type_keys(abc, L"C:\\P"), expected);
    EXPECT_EQ(file_type_keys(L".abc", L"Abc.Document", L"Abc document", L"C:\\P\\abc.exe", L"%1", 0), expected);
}

TEST(FileTypeKeys, IconIndexInDecimalAndArgumentVerbatim)
{
    const auto minus = file_type_keys(L".x", L"X.File", L"X", L"C:\\P\\x.exe", L"/open %1", -1);
    EXPECT_EQ(minus[2].value, L"C:\\P\\x.exe,-1");
    EXPECT_EQ(minus[3].value, L"\"C:\\P\\x.exe\" \"/open %1\"");
    EXPECT_EQ(file_type_keys(L".x", L"X.File", L"X", L"p.exe", L"", 255)[2].value, L"p.exe,255");
    EXPECT_EQ(file_type_keys(L".x", L"X.File", L"X", L"p.exe", L"", std::numeric_limits<std::int32_t>::min())[2].value,
              L"p.exe,-2147483648");
    EXPECT_EQ(file_type_keys(L".x", L"X.File", L"X", L"p.exe", L"", 0)[3].value, L"\"p.exe\" \"\"");
}

TEST(RegistrationTexts, QuestionsAndCaptionsInBothLanguages)
{
    const extension_record abc{L".abc", L"Abc.Document", L"Abc document", L"abc.exe", L"%1", 0};
    const auto en = extension_question(abc, ui_language::english);
    EXPECT_EQ(en.text, L"Register file extension .abc (Abc.Document, Abc document)?");
    EXPECT_EQ(en.caption, L"Register file extensions ...");
    const auto de = extension_question(abc, ui_language::german);
    EXPECT_EQ(de.text, L"Dateityp .abc (Abc.Document, Abc document) registrieren?");
    EXPECT_EQ(de.caption, L"Dateityp registrieren ...");
    // A description that looks like a placeholder is shown as it is.
    const extension_record odd{L"{2}", L"{3}", L"{1}", L"", L"", 0};
    EXPECT_EQ(extension_question(odd, ui_language::english).text, L"Register file extension {2} ({3}, {1})?");
}

TEST(RegistrationCommands, QuotingOfServersAndControls)
{
    EXPECT_EQ(ole_server_start(L"C:\\My Prog\\server.exe"),
              (program_start{L"\"C:\\My Prog\\server.exe\"", L"/regserver"}));
    EXPECT_EQ(regsvr32_start(L"C:\\My Prog\\grid.ocx"), (program_start{L"regsvr32", L"\"C:\\My Prog\\grid.ocx\""}));
}

TEST(RegistrationCommands, OleServerLinesKeptWhereAFileExists)
{
    const auto is_file = [](const std::wstring& p) { return p == L"C:\\P\\srv.exe" || p == L"C:\\P\\bin\\two.exe"; };
    EXPECT_EQ(ole_server_paths(L"C:\\P\\", {L"bin\\two.exe", L"", L"missing.exe", L"srv.exe", L"bin"}, is_file),
              (std::vector<std::wstring>{L"C:\\P\\bin\\two.exe", L"C:\\P\\srv.exe"}));
    EXPECT_EQ(ole_server_paths(L"C:\\P", {L"srv.exe"}, is_file), (std::vector<std::wstring>{L"C:\\P\\srv.exe"}));
}

}  // namespace
}  // namespace qs
