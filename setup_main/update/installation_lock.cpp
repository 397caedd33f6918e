#include "setup_main/update/installation_lock.h"

#include "basics/paths.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/file_list_format.h"

namespace qs::update {
namespace {

class installation_claim : public named_lock {
public:
    installation_claim(platform& os, std::wstring staging_root, std::unique_ptr<named_lock> mutex,
                       std::unique_ptr<named_lock> file)
        : os_(os), staging_root_(std::move(staging_root)), mutex_(std::move(mutex)), file_(std::move(file))
    {
    }
    ~installation_claim() override
    {
        file_.reset();  // the lock file goes with its handle
        os_.remove_directory(staging_root_);  // only when nothing else is in it
    }
    installation_claim(const installation_claim&) = delete;
    installation_claim& operator=(const installation_claim&) = delete;

private:
    platform& os_;
    std::wstring staging_root_;
    std::unique_ptr<named_lock> mutex_;
    std::unique_ptr<named_lock> file_;
};

}  // namespace

std::wstring installation_lock_path(const std::wstring& folder)
{
    return with_trailing_backslash(folder) + staging_folder_name + L"\\lock";
}

std::unique_ptr<named_lock> lock_installation(platform& os, const std::wstring& folder)
{
    // The mutex answers at once for the spelling this program was started with; the file answers
    // for every spelling, share and PC.
    std::unique_ptr<named_lock> mutex = os.try_lock(update_lock_name(folder));
    if (!mutex) return nullptr;
    const std::wstring path = installation_lock_path(folder);
    const std::wstring root = with_trailing_backslash(folder) + staging_folder_name;
    // Another task may remove the empty staging folder as its claim ends, between our making it
    // and our opening the file in it: then it is made once more.
    for (int attempt = 0;; ++attempt) {
        if (!os.directory_exists(root)) {
            try {
                os.make_directory(root);
            } catch (const system_error& e) {
                throw system_error(root + L": " + e.text(), e.code());
            }
        }
        try {
            std::unique_ptr<named_lock> file = os.hold_file_exclusively(path);
            if (!file) return nullptr;
            return std::make_unique<installation_claim>(os, root, std::move(mutex), std::move(file));
        } catch (const system_error& e) {
            const bool folder_went = e.code() == win_error::path_not_found || e.code() == win_error::file_not_found;
            if (!folder_went || attempt >= 3) throw system_error(path + L": " + e.text(), e.code());
        }
    }
}

}  // namespace qs::update
