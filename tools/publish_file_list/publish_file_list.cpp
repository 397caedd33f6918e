// publish_file_list FOLDER: writes FOLDER/___korvex_file_list.txt, the list the update server
// publishes, with exactly the lines "Generate file list" writes: the program's own walk, digest
// and order, over the Win32 platform on Windows and over posix_files on Linux. The list and
// signature of an earlier release are removed first, so that neither lists itself and no stale
// signature stays beside a new list.
#include <cstdio>
#include <exception>
#include <string>

#include "setup_main/file_list_format.h"
#include "setup_main/main_window_view.h"
#include "setup_main/setup_main_page.h"

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include <filesystem>

#include "tools/publish_file_list/posix_files.h"
#endif

namespace {

// The tool has no window: what "Generate file list" would show goes nowhere, and a failure
// reaches the caller as an exception.
class no_window : public qs::main_window_view {
public:
    void append_info(const std::wstring&) override {}
    void set_progress(const std::wstring&) override {}
    void set_caption(const std::wstring&) override {}
    void set_control_text(qs::control, const std::wstring&) override {}
    void set_info_lines(const std::vector<std::wstring>&) override {}
    void set_enabled(qs::control, bool) override {}
    void close_window() override {}
    void show_task_progress(std::uint64_t, std::uint64_t) override {}
    void show_task_failed() override {}
    void clear_task_progress() override {}
};

int publish(qs::platform& os, std::wstring folder)
{
    while (folder.size() > 1 && (folder.back() == L'/' || folder.back() == L'\\')) folder.pop_back();
    try {
        if (!os.directory_exists(folder)) {
            std::fprintf(stderr, "publish_file_list: %ls is no folder\n", folder.c_str());
            return 2;
        }
        os.delete_file(folder + L"/" + qs::file_list_name);
        os.delete_file(folder + L"/" + qs::file_list_signature_name);
        no_window quiet;
        qs::Tsetup_main_page page(os, quiet);
        page.generate_file_list(folder);
        return 0;
    } catch (const qs::system_error& e) {
        std::fprintf(stderr, "publish_file_list: %ls\n", e.text().c_str());
        return 1;
    }
}

const char* const usage = "usage: publish_file_list FOLDER\n";

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    qs::win32::win32_platform os;
    return publish(os, argv[1]);
}
#else
int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    qs::posix::posix_files os;
    return publish(os, std::filesystem::path(argv[1]).wstring());
}
#endif
