#pragma once
// The staging folder of the Internet update, ___korvex_update inside the installation folder: on
// the same volume as the installed files, so that moving a file between the two is a rename.
//
//   staged\<relative path>   the new files, fetched and checked before anything is replaced
//   aside\<relative path>    the installed files a commit has moved out of the way
//   journal.txt, journal.done  the commit under way, and its mark once complete (commit.h)
//   release.txt              the release last installed, from the signed file list (written as
//                            release.new and renamed)
//   lock                     held open, with no sharing, by the task at work (installation_lock.h)
//   leftover\                copies that could not be deleted yet (running programs)

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup_main/file_list_format.h"

namespace qs::update {

// True when a relative path of a file list lies in the staging folder: no update fetches into it,
// and no file list lists it.
bool is_in_staging_folder(const std::wstring& relative_path);

class staging {
public:
    // The installation folder, with its trailing "\".
    staging(platform& os, std::wstring installation_folder);

    const std::wstring& installation() const { return installation_; }
    std::wstring root() const;  // with trailing "\"
    std::wstring target(const std::wstring& relative_path) const;
    std::wstring staged(const std::wstring& relative_path) const;
    std::wstring aside(const std::wstring& relative_path) const;
    std::wstring staged_root() const;
    std::wstring aside_root() const;
    std::wstring leftover_root() const;
    std::wstring journal() const;
    std::wstring journal_done_mark() const;
    std::wstring release_record() const;

    // Makes the staging folder and the folders above a staged (or aside) file; throws
    // system_error naming the folder that could not be made.
    void make_folders_for(const std::wstring& path_in_staging);
    // The relative paths of every staged file (with "/"), found by walking staged\.
    std::vector<std::wstring> staged_files();
    // The size of a staged file, if it is there.
    std::optional<std::uint64_t> staged_size(const std::wstring& relative_path);
    // Deletes what an earlier commit could not delete, as far as it can now.
    void delete_leftovers();
    // Removes the empty folders of a subtree of the staging folder, and the staging folder itself
    // when nothing is left in it.
    void remove_empty_folders();
    // Moves a file that cannot be deleted now (a running program's image can be renamed, not
    // deleted) into leftover\, for a later run to delete.
    void delete_or_leave_for_later(const std::wstring& path);
    // Moves a file out of the way into leftover\, for a later run to delete; throws system_error
    // when it cannot be moved.
    void move_to_leftovers(const std::wstring& path);

    std::optional<std::uint64_t> last_release();
    void record_release(std::uint64_t release);

private:
    platform& os_;
    std::wstring installation_;
};

// The release a medium was made for: the first line of init_setup\release.txt, which the
// publishing tool writes into every release it publishes (so that updates replace it too).
inline constexpr const wchar_t* medium_release_name = L"init_setup\\release.txt";
std::optional<std::uint64_t> medium_release(platform& os, const std::wstring& installation_folder);
// The release installed in a folder: the higher of the medium's and the release record's, if
// either says one. A file list older than it is refused.
std::optional<std::uint64_t> installed_release(platform& os, const std::wstring& installation_folder);

// Moves a file, trying again for about two seconds while the system refuses with a sharing
// violation or access denied: virus scanners and indexers open new files for a moment.
void move_with_retry(platform& os, const std::wstring& from, const std::wstring& to);

}  // namespace qs::update
