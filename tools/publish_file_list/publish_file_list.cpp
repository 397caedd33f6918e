// publish_file_list FOLDER [RELEASE [APPLICATION]]: writes FOLDER/___korvex_file_list.txt, the
// list the update server publishes, with exactly the lines "Generate file list" writes: the
// program's own walk, digest and order, over the Win32 platform on Windows and over posix_files
// on Linux. The list and signature of an earlier release are removed first, so that neither
// lists itself and no stale signature stays beside a new list.
//
// With a release number it writes FOLDER/init_setup/release.txt (the release, on its first line)
// before the list, so that the list names it, and begins FOLDER/___korvex_file_list.txt.sig with the two lines the
// maker's signature covers, before the list's bytes: the application (by default the folder's own
// name, as the live folder /public/live/<application>/ is named) and the release.
// scripts/publish.sh signs heading and list and adds the line "signature: ...".
#include <cstdio>
#include <exception>
#include <string>

#include "basics/paths.h"
#include "platform/utf8.h"
#include "setup_main/file_list.h"
#include "setup_main/file_list_format.h"
#include "setup_main/update/signed_list.h"

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include <filesystem>

#include "tools/publish_file_list/posix_files.h"
#endif

namespace {

const char* const usage = "usage: publish_file_list FOLDER [RELEASE [APPLICATION]]\n";

int publish(qs::platform& os, std::vector<std::wstring> arguments)
{
    if (arguments.empty() || arguments.size() > 3) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::wstring folder = arguments[0];
    while (folder.size() > 1 && (folder.back() == L'/' || folder.back() == L'\\')) folder.pop_back();
    std::optional<std::uint64_t> release;
    if (arguments.size() > 1) {
        release = qs::update::parse_release(qs::wide_to_utf8(arguments[1]));
        if (!release) {
            std::fprintf(stderr, "publish_file_list: the release must be a whole number, not %ls\n", arguments[1].c_str());
            return 2;
        }
    }
    const std::wstring application = arguments.size() > 2 ? arguments[2] : qs::file_name_of(folder);
    try {
        if (!os.directory_exists(folder)) {
            std::fprintf(stderr, "publish_file_list: %ls is no folder\n", folder.c_str());
            return 2;
        }
        const std::wstring list = folder + L"/" + qs::file_list_name;
        const std::wstring signature = folder + L"/" + qs::file_list_signature_name;
        os.delete_file(list);
        os.delete_file(signature);
        // The medium's own record of its release, listed and updated like any file: a new
        // installation from it refuses an older list from its first update on.
        if (release) {
            const std::wstring init_setup = folder + L"/init_setup";
            if (!os.directory_exists(init_setup)) os.make_directory(init_setup);
            const std::string line = std::to_string(*release) + "\r\n";
            os.write_file(init_setup + L"/release.txt", {line.begin(), line.end()});
        }
        qs::generate_file_list(os, folder);
        if (release) {
            const std::string heading = qs::update::signature_heading(application, *release);
            os.write_file(signature, {heading.begin(), heading.end()});
        }
        return 0;
    } catch (const qs::system_error& e) {
        std::fprintf(stderr, "publish_file_list: %ls\n", e.text().c_str());
        return 1;
    }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    qs::win32::win32_platform os;
    return publish(os, std::vector<std::wstring>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv)
{
    qs::posix::posix_files os;
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(std::filesystem::path(argv[i]).wstring());
    return publish(os, arguments);
}
#endif
