#include <gtest/gtest.h>

#include "setup_main/line_conversion.h"
#include "tests/support/page_fixture.h"

namespace qs {
namespace {

TEST(ConvertProgramLine, InsertsTheTextBeforeTheAssignmentAfterTheComma)
{
    EXPECT_EQ(convert_program_line(L"y := fun(a, b);"), L"y := fun(a, y b);");
    EXPECT_EQ(convert_program_line(L"p:=q"), L"pp:=q");
    EXPECT_EQ(convert_program_line(L""), L"");
    EXPECT_EQ(convert_program_line(L"abc"), L"abc");
    EXPECT_EQ(convert_program_line(L"a,b"), L"a,b");
    EXPECT_EQ(convert_program_line(L"f(a, b, c)"), L"f(a, b, c)");
    EXPECT_EQ(convert_program_line(L":=x, y"), L":=x, y");     // ":=" at position 1: nothing in front
    EXPECT_EQ(convert_program_line(L"v:=a,"), L"v:=a,v");      // comma at the end: no tail
    EXPECT_EQ(convert_program_line(L"x"), L"x");
}

TEST(ConvertProgramLine, KeepsAtMost300CharactersAfterTheCommaAndItsNextCharacter)
{
    const std::wstring rest(400, L'r');
    EXPECT_EQ(convert_program_line(L"ab:=f(x, " + rest), L"ab:=f(x, ab" + std::wstring(300, L'r'));
    // With no comma the tail starts at the second character.
    const std::wstring long_line = L"q" + std::wstring(301, L'z');
    EXPECT_EQ(convert_program_line(long_line), L"q" + std::wstring(300, L'z'));
    const std::wstring exact = L"q" + std::wstring(300, L'z');
    EXPECT_EQ(convert_program_line(exact), exact);
}

struct LineConversion : ::testing::Test, test::page_on<> {
};

TEST_F(LineConversion, ConvertsTheFileIntoTheOutputWithCrLf)
{
    os.add_file(L"C:\\transfer\\pascal.txt", "y := fun(a, b);\nabc\r\n\rp:=q");
    page.Button1Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(os.content(L"C:\\transfer\\pascal_out.txt"), "y := fun(a, y b);\r\nabc\r\n\r\npp:=q\r\n");
}

TEST_F(LineConversion, KeepsTheEncodingItFound)
{
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("p:=q\r\n")) utf16 += std::string(1, c) + '\0';
    os.add_file(L"C:\\transfer\\pascal.txt", utf16);
    page.Button1Click();
    std::string expected = "\xFF\xFE";
    for (char c : std::string("pp:=q\r\n")) expected += std::string(1, c) + '\0';
    EXPECT_EQ(os.content(L"C:\\transfer\\pascal_out.txt"), expected);

    os.add_file(L"C:\\transfer\\pascal.txt", "\xEF\xBB\xBFz:=\xC3\xA4,b");
    page.Button1Click();
    EXPECT_EQ(os.content(L"C:\\transfer\\pascal_out.txt"), "\xEF\xBB\xBFz:=\xC3\xA4,bz\r\n");
}

TEST_F(LineConversion, AMissingFileIsShownAndWritesNothing)
{
    os.add_folder(L"C:\\transfer");
    page.Button1Click();
    EXPECT_EQ(os.errors, (std::vector<std::wstring>{L"The system cannot find the file specified."}));
    EXPECT_FALSE(os.has_file(L"C:\\transfer\\pascal_out.txt"));
    EXPECT_FALSE(page.task_running());

    os.add_file(L"C:\\transfer\\pascal.txt", "a");
    os.unreadable.insert(L"c:\\transfer\\pascal.txt");
    page.Button1Click();
    EXPECT_EQ(os.errors.size(), 2u);
    EXPECT_FALSE(os.has_file(L"C:\\transfer\\pascal_out.txt"));
}

}  // namespace
}  // namespace qs
