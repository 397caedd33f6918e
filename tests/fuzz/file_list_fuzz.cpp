// Any bytes as a file list (the server's, or a local one), read, written back and read again: the
// same lines. Lines that parse as path, digest and size make the same line again. And a folder
// built from the input is listed into a file list that is sorted, parses line by line, names
// every file once and merges with itself to nothing.

#include <map>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/md5.h"
#include "setup_main/file_list_format.h"
#include "setup_main/server_paths.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"
#include "setup_main/update_plan_merge.h"

namespace {

using lines = std::vector<std::wstring>;

bool ansi_safe(const std::wstring& line)
{
    for (wchar_t c : line)
        if (static_cast<std::uint32_t>(c) > 0xFF) return false;
    return true;
}

// Names in ASCII only: the fake file system folds the case of ASCII letters as this check does.
bool ascii_only(const std::wstring& text)
{
    for (wchar_t c : text)
        if (static_cast<std::uint32_t>(c) > 0x7F) return false;
    return true;
}

void check_line(const std::wstring& line)
{
    const std::wstring path = qs::tab_field(line, 1);
    FUZZ_CHECK(path == qs::trim_controls(path));
    FUZZ_CHECK(line.find(L'\t') != std::wstring::npos || path == qs::trim_controls(line));
    const auto entry = qs::parse_file_list_line(line);
    if (!entry) return;
    FUZZ_CHECK(entry->path == path);
    FUZZ_CHECK(entry->md5_hex.size() == 32);
    for (wchar_t c : entry->md5_hex) FUZZ_CHECK((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'));
    const auto again = qs::parse_file_list_line(qs::file_list_line(entry->path, entry->md5_hex, entry->size));
    FUZZ_CHECK(again && again->path == entry->path && again->md5_hex == entry->md5_hex && again->size == entry->size);
}

// Files named by the input's lines ("name TAB content"), kept where the name is a safe path.
void check_generated_list(const lines& input)
{
    qs::fake::fake_platform os;
    qs::fake::fake_view view;
    qs::Tsetup_main_page page{os, view};
    const std::wstring folder = L"C:\\inst\\";
    os.add_folder(folder);
    // By the lower-case, trimmed name: the file system ignores case, and the path field of a
    // list line is read trimmed, so " a" is listed as a path that reads back as "a".
    std::map<std::wstring, std::wstring> names, listed;
    std::size_t files = 0;
    for (const std::wstring& line : input) {
        const std::wstring name = line.substr(0, line.find(L'\t'));
        const std::wstring key = qs::ascii_lower(qs::trim_controls(name));
        const std::wstring content = line.find(L'\t') == std::wstring::npos ? L"" : line.substr(line.find(L'\t') + 1);
        if (!qs::is_safe_relative_path(name) || !ascii_only(name) || !ansi_safe(content)) continue;
        // A name that is also a folder of another name cannot be both.
        bool clash = names.count(key) != 0;
        for (const auto& [other, original] : names) {
            const std::wstring lower = qs::ascii_lower(original), mine = qs::ascii_lower(name);
            clash = clash || lower.starts_with(mine + L"/") || mine.starts_with(lower + L"/");
        }
        if (clash || name.size() > 400 || files == 50) continue;
        os.add_file(folder + qs::with_backslashes(name), os.to_ansi(content));
        ++files;
        // The walk leaves out folders whose names begin with a dot, and what lies in them.
        bool in_dot_folder = name.front() == L'.' && name.find(L'/') != std::wstring::npos;
        for (std::size_t slash = name.find(L'/'); slash != std::wstring::npos; slash = name.find(L'/', slash + 1))
            in_dot_folder = in_dot_folder || (name.find(L'/', slash + 1) != std::wstring::npos && name[slash + 1] == L'.');
        names[key] = name;
        if (!in_dot_folder) listed[key] = name;
    }
    page.generate_file_list(folder);
    const lines list = qs::load_lines(os, folder + qs::file_list_name);
    FUZZ_CHECK(list.size() == listed.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto entry = qs::parse_file_list_line(list[i]);
        FUZZ_CHECK(entry.has_value());
        const auto named = listed.find(qs::ascii_lower(entry->path));
        FUZZ_CHECK(named != listed.end());
        const std::string content = os.content(folder + qs::with_backslashes(named->second));
        FUZZ_CHECK(entry->size == content.size());
        FUZZ_CHECK(entry->md5_hex == qs::fake::md5_hex(content));
        if (i) FUZZ_CHECK(os.compare_locale(list[i - 1], list[i], true) <= 0);
    }
    const qs::update_plan plan = qs::merge_file_lists(list, list);
    FUZZ_CHECK(plan.remote.empty() && plan.local.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qs::fake::fake_platform os;
    const std::string raw(reinterpret_cast<const char*>(data), size);
    os.add_file(L"C:\\l\\___korvex_file_list_remote.txt", raw);
    const qs::loaded_lines read = qs::load_lines_with_encoding(os, L"C:\\l\\___korvex_file_list_remote.txt");
    for (const std::wstring& line : read.lines) check_line(line);

    // Written back as the program writes its lists, ANSI and CR LF, and in the encoding it came in.
    bool all_ansi = true;
    for (const std::wstring& line : read.lines) all_ansi = all_ansi && ansi_safe(line);
    qs::save_lines(os, L"C:\\l\\___files_to_get.txt", read.lines);
    const std::string written = os.content(L"C:\\l\\___files_to_get.txt");
    FUZZ_CHECK(written.size() >= 2 * read.lines.size());
    const bool ansi_reads_back = all_ansi && qs::fuzz::ansi_list_reads_back(read.lines);
    if (ansi_reads_back) FUZZ_CHECK(qs::load_lines(os, L"C:\\l\\___files_to_get.txt") == read.lines);
    qs::save_lines(os, L"C:\\l\\same.txt", read.lines, read.encoding);
    if (ansi_reads_back || read.encoding != qs::text_encoding::ansi)
        FUZZ_CHECK(qs::load_lines(os, L"C:\\l\\same.txt") == read.lines);

    lines paths = read.lines;
    qs::reduce_to_paths(paths);
    for (std::size_t i = 0; i < paths.size(); ++i) FUZZ_CHECK(paths[i] == qs::tab_field(read.lines[i], 1));

    check_generated_list(read.lines);
    return 0;
}
