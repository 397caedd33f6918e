#include "setup_main/file_list.h"

#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "basics/text_files.h"
#include "browseforfolderunit/select_folder.h"
#include "setup_main/file_list_format.h"
#include "setup_main/install/record.h"
#include "setup_main/setup_main_page.h"

namespace qs {
namespace {

struct listed_file {
    std::wstring text;  // folder + name, both as the walk joins them
    std::uint64_t size = 0;
};

// The files of a folder and, recursively, of its subfolders, a folder's own files first. A folder
// that cannot be enumerated simply contributes nothing.
void collect_files(platform& os, const std::wstring& raw_folder, std::vector<listed_file>& files)
{
    const std::wstring folder = normalised_walk_folder(raw_folder);
    for (const dir_entry& entry : os.find_entries(with_backslashes(folder) + L"*.*"))
        if (!entry.is_directory()) files.push_back({folder + entry.name, entry.size});
    std::vector<std::wstring> subfolders;
    list_subfolders(os, with_backslashes(folder), subfolders);
    for (const std::wstring& name : subfolders)
        // The Internet update's half-fetched and set-aside files are no files of the folder.
        // The record of the installation is none either.
        if (ascii_lower(name) != staging_folder_name && ascii_lower(name) != install::install_folder_name)
            collect_files(os, folder + name, files);
}

}  // namespace

std::vector<std::wstring> list_folder_files(platform& os, const std::wstring& folder, const std::wstring& base)
{
    std::vector<listed_file> files;
    collect_files(os, folder, files);
    // One batch for the whole walk, so the platform can hash many files at once.
    std::vector<std::wstring> paths;
    paths.reserve(files.size());
    for (const listed_file& file : files) paths.push_back(with_backslashes(file.text));
    const std::vector<std::wstring> digests = os.md5_hex_of_files(paths);
    const std::size_t cut = normalised_walk_folder(base).size();
    std::vector<std::wstring> lines;
    lines.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::wstring line = file_list_line(files[i].text, digests.at(i), files[i].size);
        lines.push_back(line.size() > cut ? line.substr(cut) : std::wstring());
    }
    return lines;
}

std::vector<std::wstring> generate_file_list(platform& os, const std::wstring& folder)
{
    std::vector<std::wstring> lines = list_folder_files(os, folder, folder);
    sort_file_list(os, lines);
    const bool has_separator = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
    save_lines(os, (has_separator ? folder : folder + L"\\") + file_list_name, lines);
    return lines;
}

void Tsetup_main_page::list_folder_files(const std::wstring& folder, const std::wstring& base,
                                         std::vector<std::wstring>& lines)
{
    const std::vector<std::wstring> listed = qs::list_folder_files(os_, folder, base);
    lines.insert(lines.end(), listed.begin(), listed.end());
}

void Tsetup_main_page::generate_file_list(const std::wstring& folder)
{
    qs::generate_file_list(os_, folder);
}

void Tsetup_main_page::Button5Click()
{
    run_task([this] {
        progress(text(msg::generating_file_list));
        const std::wstring folder = select_folder(os_, text(msg::select_file_list_folder), L"", false);
        if (folder.empty() || !os_.directory_exists(folder)) return;
        // The walk and the hashing take long for a large folder: the window stays responsive.
        os_.run_in_background([&] { generate_file_list(folder); }, nullptr);
        progress(text(msg::file_list_ready));
    });
}

}  // namespace qs
