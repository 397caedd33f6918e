#pragma once
// The shared unit's vocabulary object: a table of texts with a key column and one column per
// language. The maker's other applications translate their texts through it; the setup program
// only creates it at start-up and releases it at shutdown.

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

using vokabel = std::vector<std::wstring>;  // one row: key, then one text per language
using vokabel_liste = std::vector<vokabel>;

class sprachen {
public:
    sprachen() : vocabulary{{L"Nickname", L"English", L"Deutsch"}} {}

    std::int32_t language_count = 3;
    std::int32_t current_language = 1;
    vokabel_liste vocabulary;
};

}  // namespace qs
