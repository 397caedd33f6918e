#pragma once
// What the fuzz targets share: cutting one input into several files, and a check that stops the
// fuzzer with a readable reason when a property of the code under test does not hold.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace qs::fuzz {

// Several files travel in one input, cut at this line; the seed files are readable that way.
inline const std::string part_separator = "\n=====\n";

inline std::vector<std::string> split_parts(const std::uint8_t* data, std::size_t size, std::size_t count)
{
    const std::string all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() + 1 < count) {
        const std::size_t at = all.find(part_separator, start);
        if (at == std::string::npos) break;
        parts.push_back(all.substr(start, at - start));
        start = at + part_separator.size();
    }
    parts.push_back(all.substr(start));
    parts.resize(count);
    return parts;
}

inline std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Every byte as one character, the way the fake platform's ANSI code page reads it.
inline std::wstring latin1(const std::string& text)
{
    std::wstring out;
    for (char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
}

[[noreturn]] inline void property_failed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}

}  // namespace qs::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::qs::fuzz::property_failed(#condition, __FILE__, __LINE__))
