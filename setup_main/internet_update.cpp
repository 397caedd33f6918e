// "Internet update": the button's side of the run of setup_main/update. The run reports to the
// window through an observer, and the button shows how it ended.
#include "setup_main/setup_main_page.h"

#include "basics/paths.h"
#include "build_settings.h"
#include "setup_main/server_paths.h"
#include "setup_main/update/sources.h"

namespace qs {
namespace {

class window_observer : public update::observer {
public:
    explicit window_observer(Tsetup_main_page& page) : page_(page) {}
    void progress(const std::wstring& text) override { page_.progress(text); }
    void note(const std::wstring& line) override { page_.append(line); }
    void bytes_staged(std::uint64_t done, std::uint64_t total) override
    {
        if (total > 0) page_.view().show_task_progress(done, total);
    }
    bool retry_files_in_use(const std::wstring& text) override { return page_.os().ask_retry_cancel(text); }

private:
    Tsetup_main_page& page_;
};

// The run the close box may stop, for as long as it runs.
class running_update {
public:
    running_update(update::internet_update*& slot, update::internet_update& run) : slot_(slot) { slot_ = &run; }
    ~running_update() { slot_ = nullptr; }
    running_update(const running_update&) = delete;
    running_update& operator=(const running_update&) = delete;

private:
    update::internet_update*& slot_;
};

}  // namespace

update::run_settings Tsetup_main_page::update_settings() const
{
    update::run_settings settings;
    settings.installation_folder = own_folder();
    settings.application_name = application_name;
    settings.signing_key = update_signing_key;
    settings.account = update_server_account();
    settings.program_version = build::version;
    settings.language = language;
    update::source_choice chosen = update::choose_sources(os_, std::nullopt, settings.account);
    settings.sources = std::move(chosen.sources);
    settings.source_log_lines = std::move(chosen.log_lines);
    return settings;
}

void Tsetup_main_page::show_files_to_delete(const std::vector<std::wstring>& paths)
{
    std::wstring box = text(msg::files_to_delete);
    for (const std::wstring& path : paths) box += path + L"\r\n";
    os_.show_message(box);
}

bool Tsetup_main_page::can_stop_task() const
{
    return running_update_ != nullptr && running_update_->stoppable();
}

void Tsetup_main_page::stop_task()
{
    if (running_update_) running_update_->stop();
}

void Tsetup_main_page::Button4Click()
{
    run_task([this] {
        update::update_log log(os_, update::default_log_path(os_));
        window_observer watcher(*this);
        update::internet_update run(os_, update_settings(), watcher, log);
        update::outcome how;
        {
            const running_update stoppable(running_update_, run);
            how = run.run();
        }
        if (const auto failure = log.failure()) append(text(msg::update_log_not_written, {log.path(), *failure}));
        if (how.what == update::result::finished) {
            view_.clear_task_progress();
            show_files_to_delete(how.files_to_delete);
            progress(text(msg::update_finished));
            return;
        }
        // A failed step shows its error while the taskbar button shows the failure; a refusal or
        // an unreachable server is news, not a failure. A stop or a Cancel needs no box.
        if (how.is_error) {
            view_.show_task_failed();
            os_.show_error(how.text);
        }
        view_.clear_task_progress();
        if (!how.is_error && !how.text.empty()) os_.show_message(how.text);
    });
}

}  // namespace qs
