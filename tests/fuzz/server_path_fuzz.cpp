// Any server path, and any server list through a whole Internet update on the fake platform. A
// path the checks accept never leaves the installation folder once Windows has normalised it, an
// update never writes or creates anything outside it, whatever the list, and a run that does not
// finish changes no installed file.

#include <map>

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
    for (std::size_t start = 0;;) {  // every level fits a file name
        const std::size_t slash = path.find(L'/', start);
        const std::size_t length = (slash == std::wstring::npos ? path.size() : slash) - start;
        FUZZ_CHECK(length <= 255);
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

// The installation's files and their bytes, without the update's working files and staging folder.
std::map<std::wstring, std::string> installed_files(const qs::fake::fake_platform& os)
{
    std::map<std::wstring, std::string> files;
    for (const std::wstring& path : os.tree(installation))
        if (path.rfind(L"___", 0) != 0) files[path] = os.content(installation + path);
    return files;
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
    // The per-user folder, where the log of every update goes.
    const std::wstring log_folder = os.appdata + L"\\RUN_THIS_FIRST";
    os.add_folder(log_folder);
    const std::vector<std::wstring> outside_before = os.tree(L"C:\\");
    const auto installed_before = installed_files(os);
    page.Button4Click();

    FUZZ_CHECK(os.errors.size() <= 1);
    std::vector<std::wstring> outside = os.tree(L"C:\\");
    std::erase(outside, log_folder.substr(3) + L"\\update_log.txt");
    FUZZ_CHECK(outside == outside_before);
    for (const auto& call : os.ftp_calls)
        if (!call.local_path.empty()) check_inside(call.local_path);
    for (const auto& folder : os.created_directories) check_inside(folder);
    for (const std::wstring& entry : os.tree(L"D:\\")) {
        const std::wstring full = L"D:\\" + entry;
        if (full.size() > installation.size()) check_inside(full);
        else FUZZ_CHECK(installation.starts_with(full));
    }
    // All or nothing.
    if (view.progress_texts.empty() || view.progress_texts.back() != L"Update finished")
        FUZZ_CHECK(installed_files(os) == installed_before);
    FUZZ_CHECK(os.content(installation + L"kept.txt") == "installed" || !lines.empty());
    return 0;
}
