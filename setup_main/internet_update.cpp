#include "setup_main/setup_main_page.h"

#include <optional>

#include "basics/paths.h"
#include "setup_main/file_list_format.h"
#include "setup_main/server_paths.h"

namespace qs {
namespace {

// A name beside the local file that nothing bears yet. An installed file may bear the first
// choice (the server's list can hold one): the download never writes over it.
std::wstring unused_temporary_name(platform& os, const std::wstring& local_path)
{
    std::wstring temporary = local_path + download_suffix;
    for (int n = 2; os.find_any(temporary); ++n) temporary = local_path + download_suffix + std::to_wstring(n);
    return temporary;
}

// Fetches a server file into a new temporary file beside the local one and lets it replace the
// local file only when the transfer completed and, where the server's list says what to expect,
// size and digest agree. On any failure the local file stays exactly as it was.
void fetch_replacing(platform& os, ftp_run_state& run, const std::wstring& server_path,
                     const std::wstring& local_path, const std::optional<file_list_entry>& expected,
                     std::uint64_t max_bytes, ui_language language)
{
    const std::wstring temporary = unused_temporary_name(os, local_path);
    download_result arrived;
    try {
        // A file that grows past its listed size cannot match: the transfer stops there.
        arrived = os.ftp_get(update_server_account(), run, server_path, temporary,
                             expected ? expected->size : max_bytes);
    } catch (const size_limit_error&) {
        if (!expected) throw;
        throw system_error(message(msg::download_too_large, language, {std::to_wstring(expected->size)}));
    }
    try {
        if (expected && (arrived.size != expected->size || arrived.md5_hex != expected->md5_hex))
            throw system_error(message(msg::download_mismatch, language,
                                       {std::to_wstring(arrived.size), arrived.md5_hex,
                                        std::to_wstring(expected->size), expected->md5_hex}));
        os.move_file_replacing(temporary, local_path);
    } catch (...) {
        os.delete_file(temporary);
        throw;
    }
}

// A signature is a DER value of a few dozen bytes: anything much larger is none.
constexpr std::uint64_t max_signature_bytes = 1024;

// Temporary files of a step, deleted when the step ends however it ends; one that was moved
// into place is simply no longer there.
class temporary_files {
public:
    explicit temporary_files(platform& os) : os_(os) {}
    temporary_files(const temporary_files&) = delete;
    temporary_files& operator=(const temporary_files&) = delete;
    ~temporary_files()
    {
        for (const std::wstring& path : paths_) os_.delete_file(path);
    }
    void add(const std::wstring& path) { paths_.push_back(path); }

private:
    platform& os_;
    std::vector<std::wstring> paths_;
};

}  // namespace

std::wstring Tsetup_main_page::live_filename(const std::wstring& relative_path) const
{
    return live_path(application_name, relative_path);
}

bool Tsetup_main_page::get_live_file(const std::wstring& live_name, const std::wstring& local_name)
{
    try {
        fetch_replacing(os_, ftp_run_, live_filename(live_name), program_dir_path(os_, local_name), std::nullopt,
                        max_server_list_bytes, language);
        return true;
    } catch (const size_limit_error&) {
        throw system_error(text(msg::remote_list_too_large));
    } catch (const system_error&) {
        return false;
    }
}

// The list and its signature are checked as the bytes that arrived, before either replaces the
// last run's copies; the update then reads the list from where it always does.
Tsetup_main_page::signed_list Tsetup_main_page::get_signed_list()
{
    const std::wstring list_path = program_dir_path(os_, remote_file_list_name);
    const std::wstring signature_path = program_dir_path(os_, remote_file_list_signature_name);
    temporary_files temporaries(os_);
    const std::wstring list_temporary = unused_temporary_name(os_, list_path);
    // A failed transfer deletes its own file; a name that appeared meanwhile is not ours to delete.
    try {
        os_.ftp_get(update_server_account(), ftp_run_, live_filename(file_list_name), list_temporary,
                    max_server_list_bytes);
        temporaries.add(list_temporary);
    } catch (const size_limit_error&) {
        throw system_error(text(msg::remote_list_too_large));
    } catch (const system_error&) {
        return signed_list::not_accessible;
    }
    const std::wstring signature_temporary = unused_temporary_name(os_, signature_path);
    std::vector<std::uint8_t> signature;
    try {
        os_.ftp_get(update_server_account(), ftp_run_, live_filename(file_list_signature_name), signature_temporary,
                    max_signature_bytes);
        temporaries.add(signature_temporary);
        signature = os_.read_file(signature_temporary);
    } catch (const system_error&) {
        return signed_list::not_signed;
    }
    if (!os_.verify_signature(os_.read_file(list_temporary), signature, update_signing_key.value()))
        return signed_list::not_signed;
    os_.move_file_replacing(list_temporary, list_path);
    os_.move_file_replacing(signature_temporary, signature_path);
    return signed_list::taken;
}

void Tsetup_main_page::download_plan_files(const std::vector<std::wstring>& paths)
{
    download_plan_files(paths, {});
}

void Tsetup_main_page::download_plan_files(const std::vector<std::wstring>& paths,
                                           const std::vector<std::wstring>& server_lines)
{
    const std::wstring folder = own_folder();
    const std::wstring count = std::to_wstring(paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k) {
        const std::wstring& path = paths[k];
        progress(text(msg::getting_file, {std::to_wstring(k + 1), count, live_filename(path)}));
        if (is_own_executable(path)) continue;
        if (!is_safe_relative_path(path)) {
            append(text(msg::unsafe_server_path, {path}));
            continue;
        }
        std::optional<file_list_entry> expected;
        if (k < server_lines.size()) {
            // Nothing could check a file whose line gives no digest or size: it is not fetched.
            expected = parse_file_list_line(server_lines[k]);
            if (!expected) {
                append(text(msg::unreadable_server_line, {server_lines[k]}));
                continue;
            }
        }
        // Folders that exist only on the server are made level by level inside the installation.
        for (auto slash = path.find(L'/'); slash != std::wstring::npos; slash = path.find(L'/', slash + 1)) {
            const std::wstring level = folder + with_backslashes(path.substr(0, slash));
            if (!os_.directory_exists(level)) os_.create_directory(level);
        }
        try {
            fetch_replacing(os_, ftp_run_, live_filename(path), folder + with_backslashes(path), expected,
                            UINT64_MAX, language);
        } catch (const system_error& e) {
            throw system_error(text(msg::download_failed, {path, e.text()}));
        }
    }
}

void Tsetup_main_page::Button4Click()
{
    run_task([this] {
        ftp_run_ = {};
        progress(text(msg::getting_remote_list));
        if (update_signing_key) {
            const signed_list list = get_signed_list();
            if (list != signed_list::taken) {
                os_.show_message(text(list == signed_list::not_accessible ? msg::remote_list_not_accessible
                                                                          : msg::remote_list_not_signed));
                return;
            }
        } else if (!get_live_file(file_list_name, remote_file_list_name)) {
            os_.show_message(text(msg::remote_list_not_accessible));
            return;
        }
        progress(text(msg::remote_list_arrived));
        generate_file_list(own_folder());
        progress(text(msg::local_list_finished));
        compare_file_lists();
        progress(text(msg::update_finished));
    });
}

}  // namespace qs
