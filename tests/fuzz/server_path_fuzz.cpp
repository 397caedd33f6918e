// Any server path, and any server list through a whole Internet update on the fake platform. A
// path the checks accept never leaves the installation folder once Windows has normalised it,
// and an update never writes, creates or leaves a temporary file outside it, whatever the list.

#include "basics/paths.h"
#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "setup_main/file_list_format.h"
#include "setup_main/server_paths.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"

namespace {

const std::wstring installation = L"D:\\Setup\\Sample\\";

void check_path(const std::wstring& path)
{
    if (!qs::is_safe_relative_path(path)) return;
    FUZZ_CHECK(qs::fuzz::names_file_inside(path));
    FUZZ_CHECK(qs::fuzz::names_file_inside(path + qs::download_suffix));
    for (std::size_t start = 0;;) {  // every level, with the download suffix, fits a file name
        const std::size_t slash = path.find(L'/', start);
        const std::size_t length = (slash == std::wstring::npos ? path.size() : slash) - start;
        FUZZ_CHECK(length + std::wstring(qs::download_suffix).size() <= 255);
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
}

// What the program handed the platform lies in the installation folder.
void check_inside(const std::wstring& local_path)
{
    FUZZ_CHECK(qs::ascii_lower(local_path).rfind(qs::ascii_lower(installation), 0) == 0);
    FUZZ_CHECK(qs::fuzz::names_file_inside(local_path.substr(installation.size())));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    check_path(qs::fuzz::latin1(raw));
    check_path(qs::utf8_to_wide(raw));

    // The input as the server's list; the server holds every file it names, with other bytes
    // than the list promises for every second one.
    qs::fake::fake_platform os;
    qs::fake::fake_view view;
    qs::Tsetup_main_page page{os, view};
    page.application_name = L"MyApp";
    os.add_file(installation + L"kept.txt", "installed");
    os.ftp_files[qs::live_path(L"MyApp", qs::file_list_name)] = raw;
    const std::vector<std::wstring> lines = qs::split_lines(qs::decode_text(qs::fuzz::bytes(raw), os).text);
    for (std::size_t i = 0; i < lines.size() && i < 64; ++i)
        os.ftp_files[qs::live_path(L"MyApp", qs::tab_field(lines[i], 1))] = i % 2 ? "other bytes" : "";
    // Files already installed under the temporary names of the downloads to come.
    std::vector<std::wstring> bystanders;
    for (std::size_t i = 0; i < lines.size() && i < 64; ++i) {
        const std::wstring path = qs::tab_field(lines[i], 1);
        if (!qs::is_safe_relative_path(path) || path.find(L'/') != std::wstring::npos) continue;
        bystanders.push_back(path + qs::download_suffix);
        os.add_file(installation + bystanders.back(), "installed before");
    }
    const std::vector<std::wstring> outside_before = os.tree(L"C:\\");
    page.Button4Click();

    FUZZ_CHECK(os.errors.size() <= 1);
    FUZZ_CHECK(os.tree(L"C:\\") == outside_before);
    for (const auto& call : os.ftp_calls) check_inside(call.local_path);
    for (const auto& folder : os.created_directories) check_inside(folder);
    // Each is as it was, or was itself fetched from the server.
    for (const std::wstring& name : bystanders) {
        const auto served = os.ftp_files.find(qs::live_path(L"MyApp", name));
        FUZZ_CHECK(os.content(installation + name) == "installed before" ||
                   (served != os.ftp_files.end() && os.content(installation + name) == served->second));
    }
    for (const std::wstring& entry : os.tree(L"D:\\")) {
        bool bystander = false;
        for (const std::wstring& name : bystanders) bystander = bystander || qs::ascii_lower(entry) == qs::ascii_lower(L"Setup\\Sample\\" + name);
        FUZZ_CHECK(bystander || entry.find(qs::download_suffix) == std::wstring::npos);
        const std::wstring full = L"D:\\" + entry;
        if (full.size() > installation.size()) check_inside(full);
        else FUZZ_CHECK(installation.starts_with(full));
    }
    FUZZ_CHECK(os.content(installation + L"kept.txt") == "installed" || !lines.empty());
    return 0;
}
