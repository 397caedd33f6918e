#pragma once
// The hidden developer conversion behind Button1: the text in front of ":=" is inserted after
// the first comma and the character that follows it.

#include <string>

#include "platform/platform.h"

namespace qs {

// One line: head (up to the character after the first comma) + the text before ":=" + the rest
// after that point, of which at most 300 characters are kept.
std::wstring convert_program_line(const std::wstring& line);

// c:\transfer\pascal.txt, line by line, into c:\transfer\pascal_out.txt in the encoding found.
void convert_pascal_file(platform& os);

}  // namespace qs
