#include "setup_main/install/record.h"

#include <array>

#include "basics/paths.h"
#include "platform/utf8.h"

namespace qs::install {
namespace {

constexpr std::array<const wchar_t*, 10> kind_names = {
    L"entry", L"program_folder", L"program_file", L"windows_file", L"application_data",
    L"class_key", L"class_value", L"ole_server", L"activex_control", L"shortcut",
};

// TAB, CR, LF and "%" inside a field become %09, %0D, %0A and %25: a field is one piece of one line.
std::wstring escaped(const std::wstring& field)
{
    std::wstring out;
    for (wchar_t c : field) {
        if (c == L'\t') out += L"%09";
        else if (c == L'\r') out += L"%0D";
        else if (c == L'\n') out += L"%0A";
        else if (c == L'%') out += L"%25";
        else out.push_back(c);
    }
    return out;
}

std::wstring unescaped(const std::wstring& field)
{
    std::wstring out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == L'%' && i + 2 < field.size()) {
            const std::wstring code = field.substr(i + 1, 2);
            if (code == L"09") { out.push_back(L'\t'); i += 2; continue; }
            if (code == L"0D") { out.push_back(L'\r'); i += 2; continue; }
            if (code == L"0A") { out.push_back(L'\n'); i += 2; continue; }
            if (code == L"25") { out.push_back(L'%'); i += 2; continue; }
        }
        out.push_back(field[i]);
    }
    return out;
}

// Paths and keys are the same in any case.
std::wstring key_of(const record_line& line)
{
    record_line folded = line;
    if (!folded.fields.empty()) folded.fields[0] = ascii_lower(folded.fields[0]);
    return format_line(folded);
}

std::vector<std::uint8_t> bytes_of_line(const record_line& line)
{
    const std::string text = wide_to_utf8(format_line(line) + L"\r\n");
    return {text.begin(), text.end()};
}

}  // namespace

std::wstring format_line(const record_line& line)
{
    std::wstring text = kind_names[static_cast<std::size_t>(line.what)];
    for (const std::wstring& field : line.fields) text += L"\t" + escaped(field);
    return text;
}

std::optional<record_line> parse_line(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t tab = text.find(L'\t', begin);
        parts.push_back(text.substr(begin, tab == std::wstring::npos ? std::wstring::npos : tab - begin));
        if (tab == std::wstring::npos) break;
        begin = tab + 1;
    }
    for (std::size_t k = 0; k < kind_names.size(); ++k) {
        if (parts[0] != kind_names[k]) continue;
        record_line line{static_cast<change>(k), {}};
        for (std::size_t i = 1; i < parts.size(); ++i) line.fields.push_back(unescaped(parts[i]));
        return line;
    }
    return std::nullopt;
}

std::wstring record_path(const std::wstring& program_folder)
{
    return with_trailing_backslash(program_folder) + install_folder_name + L"\\record.txt";
}

install_record::install_record(platform& os, std::wstring program_folder)
    : os_(os), folder_(with_trailing_backslash(std::move(program_folder)))
{
    const std::wstring path = record_path(folder_);
    if (!os_.file_exists(path)) return;
    const std::vector<std::uint8_t> bytes = os_.read_file(path);
    const std::wstring text = utf8_to_wide(std::string(bytes.begin(), bytes.end()));
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find(L'\n', begin);
        if (end == std::wstring::npos) end = text.size();
        std::wstring one = text.substr(begin, end - begin);
        if (!one.empty() && one.back() == L'\r') one.pop_back();
        // A line a crash cut short, or of a later release, is passed over.
        if (std::optional<record_line> line = parse_line(one)) {
            keys_.insert(key_of(*line));
            lines_.push_back(std::move(*line));
        }
        begin = end + 1;
    }
}

bool install_record::contains(const record_line& line) const
{
    return keys_.count(key_of(line)) != 0;
}

bool install_record::mentions(change what, const std::wstring& first_field) const
{
    for (const record_line& l : lines_)
        if (l.what == what && !l.fields.empty() && ascii_lower(l.fields[0]) == ascii_lower(first_field)) return true;
    return false;
}

bool install_record::add(const record_line& line)
{
    if (contains(line)) return false;
    const std::wstring path = record_path(folder_);
    ensure_dir(os_, folder_ + install_folder_name);
    os_.append_file_through(path, bytes_of_line(line));
    lines_.push_back(line);
    keys_.insert(key_of(line));
    return true;
}

bool install_record::add_first(const record_line& line)
{
    if (contains(line)) return false;
    lines_.insert(lines_.begin(), line);
    keys_.insert(key_of(line));
    write_all();
    return true;
}

void install_record::replace(std::vector<record_line> lines)
{
    lines_ = std::move(lines);
    keys_.clear();
    for (const record_line& line : lines_) keys_.insert(key_of(line));
    write_all();
}

void install_record::write_all()
{
    std::vector<std::uint8_t> bytes;
    for (const record_line& line : lines_) {
        const std::vector<std::uint8_t> one = bytes_of_line(line);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    ensure_dir(os_, folder_ + install_folder_name);
    os_.write_file_through(record_path(folder_), bytes);
}

}  // namespace qs::install
