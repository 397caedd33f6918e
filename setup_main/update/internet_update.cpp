#include "setup_main/update/internet_update.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "platform/file_name_case.h"
#include "setup_main/file_list.h"
#include "setup_main/file_list_format.h"
#include "setup_main/server_paths.h"
#include "setup_main/install/entry.h"
#include "setup_main/update/commit.h"
#include "setup_main/update/installation_lock.h"
#include "setup_main/update/signed_list.h"
#include "setup_main/update/sources.h"
#include "setup_main/update/staging.h"
#include "setup_main/update_plan_merge.h"

namespace qs::update {
namespace {

// A signature is a few dozen bytes of DER with two short lines before it: anything much larger
// is none.
constexpr std::uint64_t max_signature_bytes = 1024;
// How long a list whose signature does not match waits before it is fetched once more.
constexpr std::uint32_t signature_retry_ms = 2000;

// Calls made on the background threads, to be made on the thread that started the run: the
// observer is the window's, and the window is not to be touched from elsewhere.
class posted_calls {
public:
    void post(std::function<void()> call)
    {
        if (std::this_thread::get_id() == owner_) {
            call();
            return;
        }
        const std::lock_guard<std::mutex> hold(mutex_);
        calls_.push_back(std::move(call));
    }
    void run_posted()
    {
        std::vector<std::function<void()>> due;
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            due.swap(calls_);
        }
        for (const auto& call : due) call();
    }

private:
    const std::thread::id owner_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::vector<std::function<void()>> calls_;
};

std::wstring joined(const std::vector<std::wstring>& parts, const std::wstring& between)
{
    std::wstring text;
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? between : L"") + parts[i];
    return text;
}

std::wstring folded(const std::wstring& path)
{
    std::wstring out = with_backslashes(path);
    for (wchar_t& c : out) c = fold_file_name_char(c);
    return out;
}

// A list with a line or a path beyond any real installation is refused as a whole, before
// anything is fetched.
class beyond_limits : public system_error {
public:
    using system_error::system_error;
};

void check_server_list_limits(const std::vector<std::wstring>& lines, ui_language language)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::wstring number = std::to_wstring(i + 1);
        if (lines[i].size() > max_server_line_length)
            throw beyond_limits(message(msg::remote_line_too_long, language, {number}));
        const std::wstring path = tab_field(lines[i], 1);
        const auto levels = static_cast<std::size_t>(std::count(path.begin(), path.end(), L'/')) + 1;
        if (levels > max_server_path_levels)
            throw beyond_limits(message(msg::remote_path_too_deep, language, {number}));
    }
}

// A file of the server's list that the run fetches (or finds staged already).
struct wanted_file {
    std::wstring path;  // relative, as the list gives it
    file_list_entry line;
    std::uint64_t resume_from = 0;
    bool staged = false;  // verified in the staging folder
    std::wstring md5_arrived;
    std::uint64_t size_arrived = 0;
};

// What a stage of the run ends with when it ends the run.
struct run_ended {
    outcome how;
};

}  // namespace

struct internet_update::state {
    state(platform& os, const std::wstring& folder) : where(os, folder) {}
    staging where;
    std::mutex session_mutex;  // session is replaced while stop() may reach for it
    std::unique_ptr<transfer_session> session;
    update_source source;      // the one that serves the list, once it did
    posted_calls calls;
    std::vector<std::uint8_t> list_bytes;
    std::optional<std::uint64_t> release;
    update_plan plan;
    std::vector<wanted_file> wanted;
    std::size_t entries = 0;  // N of the progress texts
    std::size_t started = 0;  // k of the progress texts
};

internet_update::internet_update(platform& os, run_settings settings, observer& watcher, update_log& log)
    : os_(os), settings_(std::move(settings)), watcher_(watcher), log_(log)
{
}

internet_update::~internet_update() = default;

void internet_update::stop()
{
    if (committing_) return;
    stop_ = true;
    if (!state_) return;
    const std::lock_guard<std::mutex> hold(state_->session_mutex);
    if (state_->session) state_->session->stop();
}

namespace {

// The steps of one run, in the order they happen.
class update_steps {
public:
    update_steps(platform& os, const run_settings& settings, observer& watcher, update_log& log,
                 internet_update::state& s, const std::atomic<bool>& stop, std::atomic<bool>& committing)
        : os_(os), settings_(settings), watcher_(watcher), log_(log), s_(s), stop_(stop), committing_(committing)
    {
    }

    outcome run()
    {
        ready_for_sources(os_, settings_.sources);
        recover_earlier_run();
        watcher_.progress(text(msg::getting_remote_list));
        // The progress text runs the window's messages: a stop may come before there is a session
        // to pass it to (a session opened after it is stopped as it is made).
        check_stop();
        fetch_remote_list_from_a_source();
        check_stop();
        verify_remote_list();
        save_remote_list();
        watcher_.progress(text(msg::remote_list_arrived));
        in_background([this] { generate_file_list(os_, settings_.installation_folder); });
        check_stop();
        watcher_.progress(text(msg::local_list_finished));
        compare_lists();
        choose_files();
        stage_files();
        check_stop();
        const commit_plan plan = plan_commit();
        wait_until_not_in_use(plan);
        check_stop();
        commit_staged(plan);
        if (plan.release) install::show_installed_release(os_, settings_.installation_folder, *plan.release);
        return finished();
    }

private:
    std::wstring text(msg id, std::initializer_list<std::wstring> args = {}) const
    {
        return message(id, settings_.language, args);
    }
    std::wstring live_filename(const std::wstring& relative_path) const
    {
        return s_.source.folder + settings_.application_name + L"/" + relative_path;
    }
    // A relative path as Windows compares it: two paths are one file exactly when these are equal.
    std::wstring folded(const std::wstring& path) const { return os_.fold_name_case(with_backslashes(path)); }
    [[noreturn]] void end(result what, std::wstring says, bool is_error = false)
    {
        outcome o;
        o.what = what;
        o.text = std::move(says);
        o.is_error = is_error;
        throw run_ended{o};
    }
    void check_stop()
    {
        if (stop_) end(result::stopped, L"");
    }
    // Long work on a thread of its own; what it posts for the observer arrives on the way.
    void in_background(const std::function<void()>& work)
    {
        os_.run_in_background(work, [this] {
            s_.calls.run_posted();
            watcher_.bytes_staged(bytes_done(), bytes_total_);
        });
    }

    // ---- before anything: what an earlier run left
    void recover_earlier_run()
    {
        switch (recover(os_, s_.where)) {
        case recovery::rolled_back: log_.write(L"An interrupted commit was undone."); break;
        case recovery::completed: log_.write(L"The clean-up of an earlier commit was completed."); break;
        case recovery::none: break;
        }
    }

    // ---- 1. the server's list, and its signature
    // True when the list (and its signature) arrived; false when the source could not be reached
    // and another follows, with the reason.
    bool fetch_remote_list(bool last_source, std::wstring& why)
    {
        const bool signed_lists = settings_.signing_key.has_value();
        std::vector<std::uint8_t> signature;
        enum class failure { none, list, list_too_large, signature_missing, signature_unreachable } failed = failure::none;
        in_background([&] {
            // Where the session can, the signature comes alongside the list: one round trip, not two.
            std::vector<small_file> wanted{{live_filename(file_list_name), max_server_list_bytes}};
            if (signed_lists) wanted.push_back({live_filename(file_list_signature_name), max_signature_bytes});
            std::vector<small_file_result> got = s_.session->fetch_small_files(wanted);
            try {
                s_.list_bytes = got[0].take();
            } catch (const size_limit_error&) {
                failed = failure::list_too_large;
                return;
            } catch (const network_error& e) {
                failed = failure::list;
                why = failure_text(e);
                return;
            }
            if (!signed_lists) return;
            try {
                signature = got[1].take();
            } catch (const size_limit_error&) {
                failed = failure::signature_missing;
            } catch (const server_refusal&) {
                failed = failure::signature_missing;
            } catch (const network_error& e) {
                failed = failure::signature_unreachable;
                why = failure_text(e);
            }
        });
        check_stop();
        switch (failed) {
        case failure::list:
        case failure::signature_unreachable:
            if (!last_source) return false;
            log_.write(L"Source " + source_url(s_.source) + L" failed: " + why);
            end(result::list_not_fetched, source_texts_ + text(msg::remote_list_not_accessible));
        case failure::list_too_large: end(result::list_not_fetched, text(msg::remote_list_too_large), true);
        case failure::signature_missing: end(result::list_refused, text(msg::remote_list_not_signed));
        case failure::none: break;
        }
        signature_bytes_ = std::move(signature);
        return true;
    }

    // A line for the pane that the log has in the same words.
    void note_and_log(const std::wstring& line)
    {
        log_.write(line);
        watcher_.note(line);
    }

    // ---- 1a. the sources, in order, until one serves the list
    void fetch_remote_list_from_a_source()
    {
        std::vector<update_source> sources = settings_.sources;
        if (sources.empty()) {
            update_source server{source_scheme::ftp, settings_.account.host, settings_.account.port,
                                 settings_.account.user, settings_.account.password, L"/public/live/"};
            sources.push_back(server);
        }
        for (std::size_t i = 0; i < sources.size(); ++i) {
            s_.source = sources[i];
            open_session(s_.source);
            std::wstring why;
            if (fetch_remote_list(i + 1 == sources.size(), why)) {
                log_.write(L"File list from " + source_url(s_.source) + L".");
                if (sources.size() > 1) watcher_.note(text(msg::list_from_source, {source_url(s_.source)}));
                return;
            }
            check_stop();
            log_.write(L"Source " + source_url(s_.source) + L" failed: " + why);
            open_session(std::nullopt);
        }
    }
    void open_session(const std::optional<update_source>& source)
    {
        std::unique_ptr<transfer_session> session;
        if (source) session = os_.open_session(*source, decide_proxy(os_, *source), settings_.account.receive_timeout_ms);
        const std::lock_guard<std::mutex> hold(s_.session_mutex);
        s_.session = std::move(session);
        if (stop_ && s_.session) s_.session->stop();
    }
    // The reason a source failed, for the log; a certificate or a proxy that the user can do
    // something about is also named in the run's final text.
    std::wstring failure_text(const network_error& e)
    {
        std::wstring says = e.text();
        if (dynamic_cast<const certificate_error*>(&e)) says = text(msg::certificate_not_valid, {e.text()});
        else if (dynamic_cast<const proxy_credentials_error*>(&e)) says = text(msg::proxy_wants_credentials);
        else return says;
        source_texts_ += says + L"\r\n";
        return says;
    }

    void verify_remote_list()
    {
        if (!settings_.signing_key) {
            log_.write(L"File list fetched, " + std::to_wstring(s_.list_bytes.size()) +
                       L" bytes; this program takes it unsigned.");
            return;
        }
        std::optional<list_signature> signature = verified_signature();
        if (!signature) {
            // The maker may be uploading a release: the list of one and the signature of the other
            // match once both are there.
            log_.write(L"The file list's signature does not match it; both are fetched once more.");
            in_background([this] { os_.sleep(signature_retry_ms); });
            check_stop();
            std::wstring why;
            fetch_remote_list(true, why);  // the source that served it once is the one to ask
            check_stop();
            signature = verified_signature();
        }
        if (!signature) {
            log_.write(L"File list refused: its signature is not the maker's.");
            end(result::list_refused, text(msg::remote_list_not_signed));
        }
        if (ascii_lower(signature->application) != ascii_lower(settings_.application_name)) {
            log_.write(L"File list refused: it is signed for the application " + signature->application + L".");
            end(result::list_refused, text(msg::remote_list_other_application));
        }
        const std::optional<std::uint64_t> installed = installed_release(os_, settings_.installation_folder);
        if (installed && signature->release < *installed) {
            log_.write(L"File list refused: release " + std::to_wstring(signature->release) + L" is older than release " +
                       std::to_wstring(*installed) + L", which is installed.");
            end(result::list_refused, text(msg::remote_list_older_release, {std::to_wstring(signature->release),
                                                                             std::to_wstring(*installed)}));
        }
        s_.release = signature->release;
        log_.write(L"File list fetched, " + std::to_wstring(s_.list_bytes.size()) + L" bytes, release " +
                   std::to_wstring(signature->release) + L"; its signature was verified.");
    }

    std::optional<list_signature> verified_signature()
    {
        std::optional<list_signature> signature = parse_list_signature(signature_bytes_);
        if (signature && os_.verify_signature(signed_bytes(*signature, s_.list_bytes), signature->der_signature,
                                              *settings_.signing_key))
            return signature;
        return std::nullopt;
    }

    // The working files keep their names and places; the run itself goes on with the bytes whose
    // signature it checked.
    void save_remote_list()
    {
        write_working_file(program_dir_path(os_, remote_file_list_name), s_.list_bytes);
        if (settings_.signing_key) write_working_file(program_dir_path(os_, remote_file_list_signature_name), signature_bytes_);
    }
    void write_working_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
    {
        try {
            os_.write_file(path, bytes);
        } catch (const system_error& e) {
            throw system_error(path + L": " + e.text(), e.code());
        }
    }

    // ---- 2. the plan
    void compare_lists()
    {
        try {
            s_.plan = compare_file_lists(os_, settings_.installation_folder,
                                         split_lines(decode_text(s_.list_bytes, os_).text), settings_.language);
        } catch (const beyond_limits& e) {
            log_.write(L"File list refused: " + e.text());
            end(result::list_refused, e.text(), true);
        }
    }

    // Every line to get counts among the N files; those that are not fetched count as started
    // here, in the list's order.
    void choose_files()
    {
        s_.entries = s_.plan.remote.size();
        std::set<std::wstring> chosen;  // folded paths
        const update_log::batch refusals_together(log_);
        for (const std::wstring& line : s_.plan.remote) {
            const std::wstring path = tab_field(line, 1);
            if (is_own_executable(path) || is_own_executable(on_disk(path))) {
                show_started(path);
                continue;
            }
            if (!is_safe_relative_path(path) || is_in_staging_folder(path) || is_in_staging_folder(on_disk(path))) {
                show_started(path);
                note_and_log(text(msg::unsafe_server_path, {path}));
                continue;
            }
            // Nothing could check a file whose line gives no digest or size: it is not fetched.
            const std::optional<file_list_entry> entry = parse_file_list_line(line);
            if (!entry) {
                show_started(path);
                note_and_log(text(msg::unreadable_server_line, {line}));
                continue;
            }
            // A list that names a file twice (or in two spellings of its case, one name to Windows)
            // gets it once, by its first line: the commit moves each staged file only once.
            if (!chosen.insert(folded(path)).second) {
                show_started(path);
                continue;
            }
            s_.wanted.push_back({path, *entry});
        }
    }
    // The path with its first level as the disk names it: a short alias (RUN_TH~1.EXE,
    // ___KOR~1) stands for the long name it is, and is checked as that.
    std::wstring on_disk(const std::wstring& path) const
    {
        const std::size_t slash = path.find(L'/');
        const std::wstring first = path.substr(0, slash);
        if (first.find(L'~') == std::wstring::npos) return path;
        const std::wstring named = file_name_of(os_.long_path_name(s_.where.target(first)));
        return named + (slash == std::wstring::npos ? L"" : path.substr(slash));
    }
    void show_started(const std::wstring& path)
    {
        watcher_.progress(text(msg::getting_file,
                               {std::to_wstring(++s_.started), std::to_wstring(s_.entries), live_filename(path)}));
    }

    // ---- 3. staging
    void stage_files()
    {
        if (s_.wanted.empty()) {
            forget_stale_staged_files();
            return;
        }
        forget_stale_staged_files();
        reuse_what_is_staged();
        for (const wanted_file& file : s_.wanted) bytes_total_ += file.line.size;
        fetch_into_staging();
        // A resumed file that does not match its line as a whole is fetched once more, from its
        // first byte: what an earlier run left may have been from another release.
        std::vector<std::size_t> again;
        for (std::size_t i : fetched_) {
            wanted_file& file = s_.wanted[i];
            if (!file.staged && file.resume_from > 0) {
                file.resume_from = 0;
                again.push_back(i);
            }
        }
        if (!again.empty()) fetch_into_staging(again);
        for (std::size_t i : fetched_)
            if (!s_.wanted[i].staged) fail_mismatch(s_.wanted[i]);
    }

    // Staged files the current list does not name (a newer release was published meanwhile) go.
    void forget_stale_staged_files()
    {
        std::set<std::wstring> wanted;
        for (const wanted_file& file : s_.wanted) wanted.insert(folded(file.path));
        for (const std::wstring& path : s_.where.staged_files())
            if (wanted.count(folded(path)) == 0) os_.delete_file(s_.where.staged(path));
    }

    void reuse_what_is_staged()
    {
        std::vector<std::size_t> whole;  // staged at their full size: their digest decides
        for (std::size_t i = 0; i < s_.wanted.size(); ++i) {
            wanted_file& file = s_.wanted[i];
            const std::optional<std::uint64_t> size = s_.where.staged_size(file.path);
            if (!size) continue;
            if (*size == file.line.size) whole.push_back(i);
            else if (*size < file.line.size) file.resume_from = *size;
            else os_.delete_file(s_.where.staged(file.path));
        }
        if (whole.empty()) return;
        std::vector<std::wstring> paths;
        for (std::size_t i : whole) paths.push_back(s_.where.staged(s_.wanted[i].path));
        std::vector<std::wstring> digests;
        in_background([&] { digests = os_.md5_hex_of_files(paths); });
        for (std::size_t n = 0; n < whole.size(); ++n) {
            wanted_file& file = s_.wanted[whole[n]];
            if (digests[n] == file.line.md5_hex) {
                file.staged = true;
                move_position(whole[n], file.line.size, true);
                show_started(file.path);
                log_.write(L"Reused from the staging folder: " + file.path + L", " + std::to_wstring(file.line.size) +
                           L" bytes, MD5 " + file.line.md5_hex + L".");
            } else {
                os_.delete_file(s_.where.staged(file.path));
            }
        }
    }

    // The transfers report from their own threads; what the window shows is posted to this one.
    class file_progress : public transfer_progress {
    public:
        file_progress(update_steps& steps, const std::vector<std::size_t>& files) : steps_(steps), files_(files) {}
        void started(std::size_t index, std::uint64_t from) override
        {
            const std::size_t file = files_[index];
            const bool first = steps_.first_start(file);
            steps_.move_position(file, from, true);
            // The call may run after this object has gone (a tick that threw): it holds the steps.
            if (first) steps_.s_.calls.post([&steps = steps_, file] { steps.show_started(steps.s_.wanted[file].path); });
        }
        void arrived(std::size_t index, std::uint64_t bytes) override { steps_.move_position(files_[index], bytes, false); }

    private:
        update_steps& steps_;
        const std::vector<std::size_t>& files_;
    };

    bool first_start(std::size_t file)
    {
        const std::lock_guard<std::mutex> hold(bytes_mutex_);
        return started_files_.insert(file).second;
    }
    // Where a file's transfer stands: set to `value` at a (re)start, moved on by `value` as bytes arrive.
    void move_position(std::size_t file, std::uint64_t value, bool restart)
    {
        const std::lock_guard<std::mutex> hold(bytes_mutex_);
        std::uint64_t& at = positions_[file];
        bytes_done_ -= at;
        at = restart ? value : at + value;
        bytes_done_ += at;
    }
    std::uint64_t bytes_done()
    {
        const std::lock_guard<std::mutex> hold(bytes_mutex_);
        return bytes_done_;
    }

    // Fetches the wanted files that are not staged yet (or the ones named), and checks each.
    void fetch_into_staging(std::vector<std::size_t> which = {})
    {
        if (which.empty())
            for (std::size_t i = 0; i < s_.wanted.size(); ++i)
                if (!s_.wanted[i].staged) which.push_back(i);
        if (which.empty()) return;
        std::vector<transfer_file> files;
        for (std::size_t i : which) {
            const wanted_file& file = s_.wanted[i];
            const std::wstring local = s_.where.staged(file.path);
            s_.where.make_folders_for(local);
            files.push_back({live_filename(file.path), local, file.line.size, file.resume_from});
        }
        file_progress progress(*this, which);
        std::vector<file_result> results;
        in_background([&] { results = s_.session->fetch_files(files, progress); });
        check_stop();
        for (std::size_t n = 0; n < which.size(); ++n) take_result(which[n], results[n]);
        // A server that takes REST and sends from byte 0 all the same, or that lists REST but
        // refuses it: the file comes once more from its first byte, without REST.
        std::vector<std::size_t> from_start;
        for (std::size_t n = 0; n < which.size(); ++n) {
            wanted_file& file = s_.wanted[which[n]];
            const ftp_file_result& r = results[n];
            if (r.state != ftp_file_state::failed || r.resumed_from == 0 || file.resume_from == 0) continue;
            if (r.failure != ftp_failure::too_large && r.failure != ftp_failure::server) continue;
            log_.write(L"Resuming " + file.path + L" from byte " + std::to_wstring(r.resumed_from) +
                       L" did not work (" + r.failure_text + L"); it is fetched again from byte 0.");
            os_.delete_file(s_.where.staged(file.path));
            file.resume_from = 0;
            from_start.push_back(which[n]);
            results[n].state = ftp_file_state::fetched;  // decided by the second transfer
        }
        if (!from_start.empty()) {
            // The session gave up the files after a failure; unless another failure ends the run
            // anyway, they come with the second transfer too.
            const bool other_failure = std::any_of(results.begin(), results.end(), [](const ftp_file_result& r) {
                return r.state == ftp_file_state::failed;
            });
            for (std::size_t n = 0; n < which.size() && !other_failure && !stop_; ++n)
                if (results[n].state == ftp_file_state::not_started) {
                    from_start.push_back(which[n]);
                    results[n].state = ftp_file_state::fetched;
                }
            fetch_into_staging(from_start);
        }
        for (std::size_t n = 0; n < which.size(); ++n)
            if (results[n].state == file_state::failed) fail_transfer(s_.wanted[which[n]], results[n]);
        for (std::size_t n = 0; n < which.size(); ++n)
            if (results[n].state != file_state::fetched) end(result::stopped, L"");
    }

    void take_result(std::size_t i, const file_result& r)
    {
        if (r.state != file_state::fetched) return;
        wanted_file& file = s_.wanted[i];
        file.size_arrived = r.whole.size;
        file.md5_arrived = r.whole.md5_hex;
        file.staged = r.whole.size == file.line.size && r.whole.md5_hex == file.line.md5_hex;
        if (std::find(fetched_.begin(), fetched_.end(), i) == fetched_.end()) fetched_.push_back(i);
        log_.write(L"Fetched " + file.path + L" from byte " + std::to_wstring(r.resumed_from) + L": " +
                   std::to_wstring(r.whole.size) + L" bytes, MD5 " + r.whole.md5_hex +
                   (file.staged ? L"." : L", which does not match its line."));
    }

    [[noreturn]] void fail_transfer(const wanted_file& file, const file_result& r)
    {
        std::wstring why = r.failure_text;
        if (r.failure == transfer_failure::too_large) why = text(msg::download_too_large, {std::to_wstring(file.line.size)});
        if (r.failure == transfer_failure::local) why = s_.where.staged(file.path) + L": " + r.failure_text;
        log_.write(L"Download of " + file.path + L" failed: " + why);
        fail_download(file, why);
    }
    [[noreturn]] void fail_mismatch(const wanted_file& file)
    {
        // What arrived is no use to any later run either.
        os_.delete_file(s_.where.staged(file.path));
        fail_download(file, text(msg::download_mismatch, {std::to_wstring(file.size_arrived), file.md5_arrived,
                                                          std::to_wstring(file.line.size), file.line.md5_hex}));
    }
    [[noreturn]] void fail_download(const wanted_file& file, const std::wstring& why)
    {
        end(result::failed, text(msg::download_failed, {file.path, why}) + L"\r\n" + text(msg::nothing_changed_continue_later),
            true);
    }

    // ---- 4. what the commit will do, and whether it can
    commit_plan plan_commit()
    {
        commit_plan plan;
        plan.release = s_.release;
        std::set<std::wstring> new_folders;
        for (const wanted_file& file : s_.wanted) {
            const std::wstring target = s_.where.target(file.path);
            if (os_.directory_exists(target))
                end(result::failed, text(msg::folder_in_the_way, {file.path}) + L"\r\n" + text(msg::nothing_changed), true);
            // The folders above it that the installation lacks, each after the one above it.
            for (auto slash = file.path.find(L'/'); slash != std::wstring::npos; slash = file.path.find(L'/', slash + 1)) {
                const std::wstring level = file.path.substr(0, slash);
                const std::wstring where = s_.where.target(level);
                if (os_.directory_exists(where) || new_folders.count(folded(level)) != 0) continue;
                if (os_.find_any(where))
                    end(result::failed,
                        text(msg::download_failed, {file.path, os_.system_message(win_error::already_exists)}) + L"\r\n" +
                            text(msg::nothing_changed),
                        true);
                new_folders.insert(folded(level));
                plan.new_folders.push_back(level);
            }
            commit_file entry{file.path};
            if (const auto attributes = os_.file_attributes(target)) {
                entry.replaces = true;
                entry.read_only = (*attributes & attr::readonly) != 0;
            }
            plan.files.push_back(entry);
        }
        return plan;
    }

    void wait_until_not_in_use(const commit_plan& plan)
    {
        for (;;) {
            std::vector<std::wstring> held, held_paths, replaced;
            for (const commit_file& file : plan.files)
                if (file.replaces) replaced.push_back(s_.where.target(file.path));
            // A program or DLL that a running program has loaded can be renamed aside, but the
            // program would go on with its old code beside the new files: it is in use too.
            const std::vector<std::wstring> loaded = os_.loaded_by_programs(replaced);
            for (const commit_file& file : plan.files) {
                const std::wstring target = s_.where.target(file.path);
                const bool is_loaded = std::find(loaded.begin(), loaded.end(), target) != loaded.end();
                if (!file.replaces || (!is_loaded && !os_.file_in_use(target))) continue;
                held.push_back(with_backslashes(file.path));
                held_paths.push_back(target);
            }
            if (held.empty()) return;
            const std::vector<std::wstring> programs = os_.programs_using(held_paths);
            log_.write(L"Files in use: " + joined(held, L", ") +
                       (programs.empty() ? L"" : L"; programs using them: " + joined(programs, L", ")));
            std::wstring box = text(msg::files_in_use, {joined(held, L"\r\n")});
            if (!programs.empty()) box += L"\r\n" + text(msg::programs_using_files, {joined(programs, L", ")});
            box += L"\r\n" + text(msg::close_programs_then_retry);
            if (!watcher_.retry_files_in_use(box)) {
                outcome o;
                o.what = result::failed;
                o.files_in_use = held;
                throw run_ended{o};
            }
        }
    }

    // ---- 5. the commit
    void commit_staged(commit_plan plan)
    {
        if (plan.files.empty()) {
            if (s_.release && s_.release != s_.where.last_release()) record_release(*s_.release);
            s_.where.remove_empty_folders();
            return;
        }
        const std::wstring mark = s_.where.journal_done_mark();
        if (!os_.delete_file(mark) && os_.find_any(mark)) {
            log_.write(L"Commit not begun: " + mark + L" is left from an earlier commit and cannot be deleted.");
            end(result::failed, text(msg::old_done_mark_stays, {mark}) + L"\r\n" + text(msg::nothing_changed), true);
        }
        plan.run = os_.local_timestamp() + L" " + std::to_wstring(os_.milliseconds());
        committing_ = true;
        std::optional<std::wstring> not_recorded;
        try {
            in_background([&] { not_recorded = commit(os_, s_.where, plan); });
        } catch (const commit_failed& e) {
            log_.write(L"Commit failed and was undone: " + e.text());
            end(result::failed, e.text() + L"\r\n" + text(msg::nothing_changed), true);
        } catch (const undo_failed& e) {
            log_.write(L"Commit failed and could not be undone completely: " + e.text());
            end(result::failed, text(msg::interrupted_update_not_undone, {e.text()}), true);
        }
        if (not_recorded) {
            log_.write(L"Committed: " + std::to_wstring(plan.files.size()) + L" files in place; the release record " +
                       *not_recorded);
            watcher_.note(text(msg::release_not_recorded, {s_.where.release_record(), failure_of(*not_recorded)}));
            return;
        }
        log_.write(L"Committed: " + std::to_wstring(plan.files.size()) + L" files in place" +
                   (plan.release ? L", release " + std::to_wstring(*plan.release) + L" recorded." : L"."));
    }
    // The release of a list that needed no file: a record that cannot be written is said, and the
    // run is done all the same.
    void record_release(std::uint64_t release)
    {
        try {
            s_.where.record_release(release);
        } catch (const system_error& e) {
            log_.write(L"The release record " + e.text());
            watcher_.note(text(msg::release_not_recorded, {s_.where.release_record(), failure_of(e.text())}));
        }
    }
    // A text "PATH: failure" without the path the message names already.
    std::wstring failure_of(const std::wstring& text) const
    {
        const std::wstring path = s_.where.release_record() + L": ";
        return text.rfind(path, 0) == 0 ? text.substr(path.size()) : text;
    }

    outcome finished()
    {
        outcome o;
        o.what = result::finished;
        o.files_to_delete = s_.plan.local;
        reduce_to_paths(o.files_to_delete);
        if (!o.files_to_delete.empty())
            log_.write(L"Files to delete (listed, not deleted): " + joined(o.files_to_delete, L", "));
        return o;
    }

    platform& os_;
    const run_settings& settings_;
    observer& watcher_;
    update_log& log_;
    internet_update::state& s_;
    const std::atomic<bool>& stop_;
    std::atomic<bool>& committing_;
    std::vector<std::uint8_t> signature_bytes_;
    std::wstring source_texts_;  // the failures of sources the user can mend, a line each
    std::vector<std::size_t> fetched_;  // wanted files that arrived whole, in the order they came
    std::mutex bytes_mutex_;
    std::map<std::size_t, std::uint64_t> positions_;
    std::set<std::size_t> started_files_;
    std::uint64_t bytes_done_ = 0, bytes_total_ = 0;
};

}  // namespace

outcome internet_update::run()
{
    std::wstring server = settings_.account.host + L":" + std::to_wstring(settings_.account.port);
    const bool one_ftp_server = settings_.sources.empty() ||
                                (settings_.sources.size() == 1 && settings_.sources[0].scheme == source_scheme::ftp);
    if (one_ftp_server && !settings_.sources.empty())
        server = settings_.sources[0].host + L":" + std::to_wstring(settings_.sources[0].port);
    if (!one_ftp_server) {
        server.clear();
        for (const update_source& source : settings_.sources) server += (server.empty() ? L"" : L"; ") + source_url(source);
    }
    log_.write(L"Internet update started: program version " + settings_.program_version + L", folder " +
               settings_.installation_folder + L", " + (one_ftp_server ? L"server " : L"sources ") + server +
               L".");
    for (const std::wstring& line : settings_.source_log_lines) log_.write(line);
    std::unique_ptr<named_lock> lock;
    try {
        lock = lock_installation(os_, settings_.installation_folder);
    } catch (const system_error& e) {
        outcome cannot;
        cannot.what = result::failed;
        cannot.text = e.text();
        cannot.is_error = true;
        return finish(cannot);
    }
    if (!lock) {
        outcome busy;
        busy.what = result::already_running;
        busy.text = message(msg::update_already_running, settings_.language);
        return finish(busy);
    }
    // No other run writes the log now, so none loses lines to the trim.
    log_.trim_if_large();
    state_ = std::make_unique<state>(os_, settings_.installation_folder);
    update_steps steps(os_, settings_, watcher_, log_, *state_, stop_, committing_);
    outcome o;
    try {
        o = steps.run();
    } catch (const run_ended& ended) {
        o = ended.how;
    } catch (const system_error& e) {
        // A local failure: the folder, a working file or the local list could not be written.
        o.what = result::failed;
        o.text = e.text();
        o.is_error = true;
    }
    state_->calls.run_posted();
    {
        const std::lock_guard<std::mutex> hold(state_->session_mutex);
        state_->session.reset();
    }
    o = finish(o);
    state_.reset();  // before the lock goes, which removes the staging folder when it is empty
    return o;
}

outcome internet_update::finish(outcome o)
{
    switch (o.what) {
    case result::finished: log_.write(L"Ended: the installation is up to date."); break;
    case result::stopped: log_.write(L"Ended: stopped by the user; nothing was changed."); break;
    default:
        if (!o.files_in_use.empty())
            log_.write(L"Ended: files in use (" + joined(o.files_in_use, L", ") + L"); nothing was changed.");
        else log_.write(L"Ended: " + (o.text.empty() ? std::wstring(L"cancelled; nothing was changed.") : o.text));
        break;
    }
    return o;
}

update_plan compare_file_lists(platform& os, const std::wstring& installation_folder,
                               const std::vector<std::wstring>& remote_lines, ui_language language)
{
    check_server_list_limits(remote_lines, language);
    const std::vector<std::wstring> local = load_lines(os, with_trailing_backslash(installation_folder) + file_list_name);
    update_plan plan = merge_file_lists(remote_lines, local);
    save_lines(os, program_dir_path(os, files_to_get_name), plan.remote);
    save_lines(os, program_dir_path(os, files_to_delete_name), plan.local);
    return plan;
}

std::wstring update_lock_name(const std::wstring& installation_folder)
{
    // FNV-1a over the folder as Windows compares names: one name per folder, however it is spelt.
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : folded(without_trailing_backslash(installation_folder))) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ull;
    }
    wchar_t hex[17];
    for (int i = 15; i >= 0; --i, hash >>= 4) hex[i] = L"0123456789ABCDEF"[hash & 15];
    hex[16] = L'\0';
    return std::wstring(L"Global\\korvex_update_") + hex;
}

std::optional<std::wstring> recover_interrupted_update(platform& os, const std::wstring& installation_folder,
                                                        ui_language language)
{
    staging where(os, installation_folder);
    if (!os.directory_exists(without_trailing_backslash(where.root()))) return std::nullopt;
    std::unique_ptr<named_lock> lock;
    try {
        lock = lock_installation(os, installation_folder);
    } catch (const system_error& e) {
        // A folder this user may not write: whatever is there waits for one who may.
        if (!os.file_exists(where.journal())) return std::nullopt;
        return message(msg::interrupted_update_not_undone, language, {e.text()});
    }
    if (!lock) return std::nullopt;  // the update that owns the journal is still at work
    try {
        if (recover(os, where) == recovery::rolled_back) return message(msg::interrupted_update_undone, language);
    } catch (const system_error& e) {
        return message(msg::interrupted_update_not_undone, language, {e.text()});
    }
    return std::nullopt;
}

}  // namespace qs::update
