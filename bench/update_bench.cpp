// Figures for the file list, the update plan and the Internet update, with the real Win32
// platform. Prints what it measured; bench/run.sh sets the scene and prints the comparisons.
//   update_bench filelist FOLDER          generate_file_list on a folder
//   update_bench sortmerge LINES PERCENT  sort two lists, check the order, merge them
//   update_bench update INSTALLATION      one Internet update run into a folder
//   update_bench chains                   the first certificate chain this process builds
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "basics/paths.h"
#include "platform/win32/certificate_chains.h"
#include "setup_main/file_list_format.h"
#include "setup_main/update_plan_merge.h"
#include "tests/ftp/recording_platform.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"

namespace {
using namespace qs;
using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point start)
{
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Splits the time of a file list into hashing, sort keys and the rest (walk, save).
class timing_platform : public ftp_test::recording_platform {
public:
    double md5_seconds = 0, sort_key_seconds = 0;
    std::vector<std::wstring> md5_hex_of_files(const std::vector<std::wstring>& paths) override
    {
        const auto start = clock_type::now();
        auto digests = recording_platform::md5_hex_of_files(paths);
        md5_seconds += seconds_since(start);
        return digests;
    }
    sort_key_table sort_keys(const std::vector<std::wstring>& texts, bool ignore_case) override
    {
        const auto start = clock_type::now();
        auto keys = recording_platform::sort_keys(texts, ignore_case);
        sort_key_seconds += seconds_since(start);
        return keys;
    }
};

int file_list(const std::wstring& folder)
{
    timing_platform os;
    fake::fake_view view;
    Tsetup_main_page page{os, view};
    const auto start = clock_type::now();
    page.generate_file_list(folder);
    const double took = seconds_since(start);
    const auto lines = os.read_file(with_trailing_backslash(folder) + file_list_name);
    std::printf("generate_file_list seconds %.3f list_bytes %zu md5 %.3f sort_keys %.3f\n", took, lines.size(),
                os.md5_seconds, os.sort_key_seconds);
    return 0;
}

std::wstring digest_of(std::mt19937& random)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring d;
    for (int i = 0; i < 32; ++i) d.push_back(digits[random() % 16]);
    return d;
}

int sort_merge(std::size_t count, double percent)
{
    ftp_test::recording_platform os;
    std::mt19937 random(42);
    const wchar_t* names[] = {L"Data", L"data_", L"d\u00e4ta", L"DATA-x", L"_data", L"Daten", L"dat.a", L"\u00c4rger"};
    std::vector<std::wstring> remote;
    remote.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        remote.push_back(std::wstring(names[random() % 8]) + L"/" + names[random() % 8] + std::to_wstring(random() % 100000) +
                         L".dat\t" + digest_of(random) + L"\t" + std::to_wstring(random() % 1000000));
    std::vector<std::wstring> local = remote;
    const std::size_t changed = static_cast<std::size_t>(static_cast<double>(count) * percent / 100.0);
    for (std::size_t i = 0; i < changed; ++i) {
        std::wstring& line = local[random() % count];
        line = tab_field(line, 1) + L"\t" + digest_of(random) + L"\t1";
    }
    std::shuffle(local.begin(), local.end(), random);

    auto start = clock_type::now();
    sort_file_list(os, remote);
    const double sort_seconds = seconds_since(start);
    start = clock_type::now();
    sort_file_list(os, local);
    const double second_sort_seconds = seconds_since(start);
    // The share of the sort that is the system's: the keys alone, for the same list again.
    start = clock_type::now();
    const std::size_t key_bytes = os.sort_keys(local, true).bytes.size();
    const double keys_seconds = seconds_since(start);

    // The order by sort keys must be the order by CompareStringW: every neighbour pair in order,
    // and random pairs compare alike both ways.
    std::size_t disagree = 0, pairs = 0;
    for (std::size_t i = 1; i < remote.size(); ++i, ++pairs)
        if (os.compare_locale(remote[i - 1], remote[i], true) > 0) ++disagree;
    for (int n = 0; n < 100000; ++n, ++pairs) {
        const auto& a = remote[random() % count];
        const auto& b = remote[random() % count];
        const std::string ka = os.sort_key(a, true), kb = os.sort_key(b, true);
        const int by_key = ka < kb ? -1 : (kb < ka ? 1 : 0);
        const int c = os.compare_locale(a, b, true);
        if (by_key != (c < 0 ? -1 : (c > 0 ? 1 : 0))) ++disagree;
    }

    start = clock_type::now();
    const update_plan plan = merge_file_lists(remote, local);
    const double merge_seconds = seconds_since(start);

    std::vector<std::wstring> by_compare = local;
    start = clock_type::now();
    std::stable_sort(by_compare.begin(), by_compare.end(),
                     [&os](const std::wstring& a, const std::wstring& b) { return os.compare_locale(a, b, true) < 0; });
    const double compare_sort_seconds = seconds_since(start);
    const bool same_order = by_compare == local;

    std::printf("lines %zu changed %zu sort_one_list_seconds %.3f (second list %.3f) merge_seconds %.3f to_get %zu "
                "to_delete %zu\n",
                count, changed, sort_seconds, second_sort_seconds, merge_seconds, plan.remote.size(), plan.local.size());
    std::printf("sort_keys_of_one_list_seconds %.3f key_bytes %zu\n", keys_seconds, key_bytes);
    std::printf("order_pairs_checked %zu disagreeing %zu compare_string_sort_seconds %.3f same_order %s\n", pairs,
                disagree, compare_sort_seconds, same_order ? "yes" : "NO");
    return disagree == 0 && same_order ? 0 : 1;
}

int update_run(const std::wstring& installation)
{
    timing_platform os;
    os.installation = installation;
    fake::fake_view view;
    Tsetup_main_page page{os, view};
    page.application_name = L"BenchApp";
    const auto start = clock_type::now();
    page.Button4Click();
    const double took = seconds_since(start);
    std::size_t files = 0;
    for (const auto& t : view.progress_texts) files += t.rfind(L"Getting file ", 0) == 0 ? 1 : 0;
    std::printf("update_seconds %.3f files %zu errors %zu\n", took, files, os.errors.size());
    // Where the time went: hashing the local list, and the rest (transfers, walk, sort, commit).
    std::printf("  of which md5 %.3f s, other %.3f s\n", os.md5_seconds, took - os.md5_seconds);
    for (const auto& e : os.errors) std::printf("error: %s\n", os.to_ansi(e).c_str());
    // The pane's lines (the source that served the list, or why none did) when no file came.
    if (files == 0)
        for (const auto& line : view.info) std::printf("pane: %s\n", os.to_ansi(line).c_str());
    for (const auto& m : os.messages) std::printf("message: %s\n", os.to_ansi(m).c_str());
    for (const auto& r : os.retry_boxes) std::printf("retry box: %s\n", os.to_ansi(r).c_str());
    return os.errors.empty() ? 0 : 1;
}

// The first certificate chain of a process readies the chain engine, as the first HTTPS handshake
// of an update does; what that costs here is beside the HTTPS figures.
int first_chain()
{
    const auto start = clock_type::now();
    const bool built = qs::win32::build_one_certificate_chain();
    std::printf("first_chain_ms %.0f\n", seconds_since(start) * 1000);
    if (!built) std::fprintf(stderr, "no certificate chain could be built from the Root store\n");
    return built ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring what = argc > 1 ? argv[1] : L"";
    if (what == L"filelist" && argc == 3) return file_list(argv[2]);
    if (what == L"sortmerge" && argc == 4) return sort_merge(std::stoul(argv[2]), std::stod(argv[3]));
    if (what == L"update" && argc == 3) return update_run(argv[2]);
    if (what == L"chains" && argc == 2) return first_chain();
    std::fprintf(stderr, "usage: update_bench filelist FOLDER | sortmerge LINES PERCENT | update INSTALLATION | chains\n");
    return 2;
}
