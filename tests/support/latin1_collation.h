#pragma once
// What the file list's order must be for names with Latin-1 letters, as Windows' collation gives
// it (measured under Wine): a letter with a diacritic sorts with its base letter, Æ, ß and Þ as
// the letters they stand for; names the collation calls equal keep the order they came in. Both
// platforms are held to it, so that the fake sorts and compares as the real one does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup_main/file_list_format.h"

namespace qs::test {

inline void expect_windows_latin1_collation(platform& os)
{
    std::vector<std::wstring> names = {
        L"Zebra.txt",   L"Thorn.txt",  L"\u00e4pfel.txt", L"Strat.txt",       L"Aeon.txt", L"\u00e8te.txt",
        L"Apfelbaum.txt", L"\u00f8l.txt", L"Stra\u00dfe.txt", L"\u00c4pfel.txt", L"ete.txt", L"\u00c6on.txt",
        L"Ol.txt",      L"\u00deorn.txt", L"Strasse.txt", L"\u00e9t\u00e9.txt", L"Apfel.txt"};
    sort_file_list(os, names);
    EXPECT_EQ(names, (std::vector<std::wstring>{
                         L"Aeon.txt", L"\u00c6on.txt", L"Apfel.txt", L"\u00e4pfel.txt", L"\u00c4pfel.txt",
                         L"Apfelbaum.txt", L"ete.txt", L"\u00e9t\u00e9.txt", L"\u00e8te.txt", L"Ol.txt", L"\u00f8l.txt",
                         L"Stra\u00dfe.txt", L"Strasse.txt", L"Strat.txt", L"Thorn.txt", L"\u00deorn.txt",
                         L"Zebra.txt"}));
    // The comparison and the keys agree with that order.
    EXPECT_EQ(os.compare_locale(L"\u00c4pfel", L"\u00e4pfel", true), 0);
    EXPECT_LT(os.compare_locale(L"\u00e4pfel", L"Zebra", true), 0);
    EXPECT_LT(os.compare_locale(L"\u00e4pfel", L"\u00c4pfel", false), 0);  // lower case first where case counts
    EXPECT_EQ(os.sort_key(L"\u00c4pfel", true), os.sort_key(L"\u00e4pfel", true));
    EXPECT_LT(os.sort_key(L"\u00e4pfel", true), os.sort_key(L"Zebra", true));
    EXPECT_LT(os.sort_key(L"\u00e4pfel", false), os.sort_key(L"\u00c4pfel", false));
}

}  // namespace qs::test
