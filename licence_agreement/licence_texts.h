#pragma once
// The texts of the licence agreement window, which licence_agreement/win32 shows.

#include <string>
#include <vector>

namespace qs::licence {

extern const wchar_t* const caption;
extern const wchar_t* const heading;       // Label1
extern const wchar_t* const accept_text;   // CheckBox
extern const wchar_t* const start_text;    // Button1

// The agreement in Memo1, line by line (the fifth line is empty).
const std::vector<std::wstring>& agreement_lines();
// The agreement as the text box holds it: the lines joined by CR LF.
std::wstring agreement_text();

}  // namespace qs::licence
