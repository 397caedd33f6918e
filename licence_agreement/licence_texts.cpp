#include "licence_agreement/licence_texts.h"

namespace qs::licence {

const wchar_t* const caption = L"Korvex Hard- and Software Licence Agreement";
const wchar_t* const heading = L"Licence agreement";
const wchar_t* const accept_text = L"Yes. I understood the licence agreement and accept it.";
const wchar_t* const start_text = L"Start software setup ...";

const std::vector<std::wstring>& agreement_lines()
{
    static const std::vector<std::wstring> lines{
        L"If you continue to run this setup program to install the ",
        L"software product, you must agree to the following ",
        L"statements. You indicate your agreement by checking the ",
        L"checkbox underneath this text.",
        L"",
        L"Korvex is not responsible for any consequences of installing ",
        L"the software.",
        L"Korvex is not responsible for any consequences of using the ",
        L"software, including reading the documentation.",
        L"Korvex is not responsible for any consequences of not using ",
        L"the software, including not reading the documentation.",
    };
    return lines;
}

std::wstring agreement_text()
{
    std::wstring text;
    const std::vector<std::wstring>& lines = agreement_lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += L"\r\n";
        text += lines[i];
    }
    return text;
}

}  // namespace qs::licence
