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

// Lists are written in ANSI without a byte-order mark and read by their mark: lines whose ANSI
// bytes begin like a mark ("\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF") cannot come back as they were.
// That is the list format's own ambiguity, left out of the round-trip properties.
inline bool ansi_list_reads_back(const std::vector<std::wstring>& lines)
{
    if (lines.empty()) return true;
    for (const wchar_t* mark : {L"\xFF\xFE", L"\xFE\xFF", L"\xEF\xBB\xBF"})
        if (lines.front().starts_with(mark)) return false;
    return true;
}

[[noreturn]] inline void property_failed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, what);
    std::abort();
}

// Whether Windows, given installation folder + `relative`, would name a file strictly inside the
// installation folder under the very name written: read the way the Win32 path functions read
// it ("/" and "\\" alike, "." and ".." resolved, trailing dots and blanks of a level dropped), with
// drives, roots, UNC names, stream names and device names counted as leaving the folder.
inline bool names_file_inside(const std::wstring& relative)
{
    if (relative.empty() || relative.find(L':') != std::wstring::npos) return false;
    if (relative.front() == L'/' || relative.front() == L'\\') return false;
    std::size_t depth = 0;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of(L"/\\", start);
        if (end == std::wstring::npos) end = relative.size();
        const std::wstring level = relative.substr(start, end - start);
        start = end + 1;
        std::wstring stripped = level;
        while (!stripped.empty() && (stripped.back() == L'.' || stripped.back() == L' ')) stripped.pop_back();
        if (level == L"..") {
            if (depth == 0) return false;
            --depth;
            continue;
        }
        if (stripped.empty()) {
            if (level.empty() || level == L".") continue;
            return false;  // "...", " ": names Windows reads as something else
        }
        if (stripped != level) return false;  // "a." would write "a"
        std::wstring stem = level.substr(0, level.find(L'.'));
        while (!stem.empty() && stem.back() == L' ') stem.pop_back();
        for (wchar_t& c : stem)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
            if (stem == device) return false;
        if (stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) &&
            ((stem[3] >= L'0' && stem[3] <= L'9') || stem[3] == L'\u00b9' || stem[3] == L'\u00b2' || stem[3] == L'\u00b3'))
            return false;
        ++depth;
    }
    return depth > 0;
}

}  // namespace qs::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::qs::fuzz::property_failed(#condition, __FILE__, __LINE__))
