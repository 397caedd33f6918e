// Two arbitrary file lists (the input cut in two) through the merge of the update plan. Every line
// of either list ends in exactly one place: matched with an identical line of the other list, or
// left among the files to get (server) or the files to delete (local), in its order and exactly
// as read. The result equals a plain reading of the matching rule (each server line takes the
// earliest unclaimed identical local line), and a list merged with itself, in any order, leaves
// nothing. Then the same lists through the update's comparison and its whole run on the fake platform.

#include <algorithm>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "setup_main/file_list_format.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/update_plan_merge.h"

namespace {

using lines = std::vector<std::wstring>;

// The entries of `all` that are not in the subsequence `kept`, which must be one.
lines removed_from(const lines& all, const lines& kept)
{
    lines removed;
    std::size_t k = 0;
    for (const std::wstring& line : all) {
        if (k < kept.size() && kept[k] == line) ++k;
        else removed.push_back(line);
    }
    FUZZ_CHECK(k == kept.size());
    return removed;
}

// The matching rule as written: each server line, in turn, claims the earliest identical
// (trimmed) local line not yet claimed.
qs::update_plan reference_merge(const lines& remote, const lines& local)
{
    std::vector<bool> claimed(local.size(), false);
    qs::update_plan plan;
    for (const std::wstring& line : remote) {
        bool matched = false;
        for (std::size_t l = 0; l < local.size() && !matched; ++l) {
            if (claimed[l] || qs::trim_controls(local[l]) != qs::trim_controls(line)) continue;
            claimed[l] = matched = true;
        }
        if (!matched) plan.remote.push_back(line);
    }
    for (std::size_t l = 0; l < local.size(); ++l)
        if (!claimed[l]) plan.local.push_back(local[l]);
    return plan;
}

void check_merge(const lines& remote, const lines& local)
{
    const qs::update_plan plan = qs::merge_file_lists(remote, local);
    const lines matched_remote = removed_from(remote, plan.remote);
    const lines matched_local = removed_from(local, plan.local);
    // Matched lines pair off: the same trimmed lines on both sides.
    lines trimmed_remote, trimmed_local;
    for (const std::wstring& line : matched_remote) trimmed_remote.push_back(qs::trim_controls(line));
    for (const std::wstring& line : matched_local) trimmed_local.push_back(qs::trim_controls(line));
    std::sort(trimmed_remote.begin(), trimmed_remote.end());
    std::sort(trimmed_local.begin(), trimmed_local.end());
    FUZZ_CHECK(trimmed_remote == trimmed_local);
    const qs::update_plan expected = reference_merge(remote, local);
    FUZZ_CHECK(plan.remote == expected.remote);
    FUZZ_CHECK(plan.local == expected.local);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> parts = qs::fuzz::split_parts(data, size, 2);
    qs::fake::fake_platform os;
    lines remote = qs::split_lines(qs::decode_text(qs::fuzz::bytes(parts[0]), os).text);
    lines local = qs::split_lines(qs::decode_text(qs::fuzz::bytes(parts[1]), os).text);

    check_merge(remote, local);
    FUZZ_CHECK(qs::merge_file_lists(remote, remote).remote.empty());
    FUZZ_CHECK(qs::merge_file_lists(local, local).local.empty());
    const qs::update_plan reversed = qs::merge_file_lists(lines(local.rbegin(), local.rend()), local);
    FUZZ_CHECK(reversed.remote.empty() && reversed.local.empty());
    qs::sort_file_list(os, remote);
    qs::sort_file_list(os, local);
    for (std::size_t i = 1; i < remote.size(); ++i) FUZZ_CHECK(os.compare_locale(remote[i - 1], remote[i], true) <= 0);
    check_merge(remote, local);

    // The comparison as the update runs it: the plan files beside the program, from the server's
    // lines and the installation's list on disk.
    const std::wstring install = qs::installation_folder(os);
    os.add_file(install + qs::file_list_name, parts[1]);
    const lines server_lines = qs::split_lines(qs::decode_text(qs::fuzz::bytes(parts[0]), os).text);
    std::wstring failure;
    try {
        qs::update::compare_file_lists(os, install, server_lines, qs::ui_language::english);
    } catch (const qs::system_error& e) {
        failure = e.text();
    }
    // A server list with a line or a path beyond the limits is refused before any plan is made.
    if (!os.has_file(qs::program_dir_path(os, qs::files_to_get_name))) {
        FUZZ_CHECK(failure.rfind(L"Line ", 0) == 0);
        return 0;
    }
    const lines to_get = qs::load_lines(os, qs::program_dir_path(os, qs::files_to_get_name));
    const lines to_delete = qs::load_lines(os, qs::program_dir_path(os, qs::files_to_delete_name));
    const lines read_local = qs::load_lines(os, install + qs::file_list_name);
    const qs::update_plan plan = qs::merge_file_lists(server_lines, read_local);
    // The plan files hold the lines left, in ANSI (where a character has none, a "?").
    auto ansi = [&os](const lines& in) {
        lines out;
        for (const std::wstring& line : in) out.push_back(os.from_ansi(os.to_ansi(line)));
        return out;
    };
    if (qs::fuzz::ansi_list_reads_back(ansi(plan.remote))) FUZZ_CHECK(to_get == ansi(plan.remote));
    if (qs::fuzz::ansi_list_reads_back(ansi(plan.local))) FUZZ_CHECK(to_delete == ansi(plan.local));

    // The whole run with that list on the server, which has none of its files: the run ends with
    // one box, asks only for the application's files, and installs nothing.
    qs::fake::fake_view view;
    qs::Tsetup_main_page page{os, view};
    page.application_name = L"MyApp";
    page.update_signing_key.reset();
    os.ftp_files[L"/public/live/MyApp/___korvex_file_list.txt"] = parts[0];
    const lines before = os.tree(install);
    page.click(qs::control::Button4);
    FUZZ_CHECK(os.messages.size() + os.errors.size() == 1);
    for (const auto& call : os.ftp_calls) FUZZ_CHECK(call.server_path.rfind(L"/public/live/MyApp/", 0) == 0);
    for (const std::wstring& path : os.tree(install))
        FUZZ_CHECK(path.rfind(L"___", 0) == 0 || std::find(before.begin(), before.end(), path) != before.end());
    return 0;
}
