#include "platform/ftp/pooled_session.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "platform/file_name_case.h"
#include "platform/utf8.h"

namespace qs::ftp {
namespace {

// A local path as Windows tells files apart: without regard to case, "/" the same as "\".
std::wstring file_key(const std::wstring& path)
{
    std::wstring key = path;
    for (wchar_t& c : key) c = c == L'/' ? L'\\' : fold_file_name_char(c);
    return key;
}

}  // namespace

// One call of fetch_files: the files waiting, in list order, and what became of each. The
// connections' threads take files from it and report into it, the progress one call at a time.
// Two files of the list that go into the same local file are never fetched at the same time.
class file_queue {
public:
    file_queue(const std::vector<ftp_file>& files, ftp_progress& progress, const network& net)
        : files_(files), progress_(progress), net_(net), results_(files.size()), attempts_(files.size(), 0),
          resume_at_(files.size()), last_failure_(files.size())
    {
        for (std::size_t i = 0; i < files.size(); ++i) {
            waiting_.insert(i);
            resume_at_[i] = files[i].resume_from;
            keys_.push_back(file_key(files[i].local_path));
        }
    }

    const ftp_file& file(std::size_t i) const { return files_[i]; }

    // Whether next() has a file to give.
    bool has_work()
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        return first_waiting() != waiting_.end();
    }
    // The next file for a connection, in list order; none when there is nothing left for it.
    std::optional<std::size_t> next()
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        const auto first = first_waiting();
        if (first == waiting_.end()) return std::nullopt;
        const std::size_t i = *first;
        waiting_.erase(first);
        in_flight_.insert(keys_[i]);
        return i;
    }
    // Where the file's transfer goes on after a break.
    std::uint64_t resume_point(std::size_t i)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        return resume_at_[i];
    }

    void started(std::size_t i, std::uint64_t from)
    {
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            results_[i].resumed_from = from;
        }
        const std::lock_guard<std::mutex> hold(progress_mutex_);
        progress_.started(i, from);
    }
    void arrived(std::size_t i, std::uint64_t bytes)
    {
        const std::lock_guard<std::mutex> hold(progress_mutex_);
        progress_.arrived(i, bytes);
    }

    void fetched(std::size_t i, download_result whole)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        in_flight_.erase(keys_[i]);
        results_[i].state = ftp_file_state::fetched;
        results_[i].whole = std::move(whole);
    }
    void failed(std::size_t i, ftp_failure why, const std::wstring& text)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        in_flight_.erase(keys_[i]);
        fail(i, why, text);
    }
    void stopped(std::size_t i)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        in_flight_.erase(keys_[i]);
        results_[i].state = ftp_file_state::stopped;
    }
    // The connection broke while the file stood at byte `at`: the file waits for another
    // connection, unless that was its last attempt.
    void broke(std::size_t i, const std::wstring& text, std::uint64_t at)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        in_flight_.erase(keys_[i]);
        last_failure_[i] = text;
        resume_at_[i] = at;
        if (++attempts_[i] < attempts_per_file) waiting_.insert(i);
        else fail(i, ftp_failure::server, text);
    }
    // Why a connection could not be had.
    void no_connection(const std::wstring& text)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        connection_failure_ = text;
    }

    // Once every connection has finished. A file that began and was left when no connection was
    // left to go on with it ends as its last transfer did; when that leaves no failure, the
    // first file that no connection could take fails with the reason.
    std::vector<ftp_file_result> results()
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        for (std::size_t i = 0; i < files_.size(); ++i) {
            if (results_[i].state != ftp_file_state::not_started || (waiting_.count(i) != 0 && attempts_[i] == 0)) continue;
            if (net_.stopped()) results_[i].state = ftp_file_state::stopped;
            else fail(i, ftp_failure::server, last_failure_[i].empty() ? connection_failure_ : last_failure_[i]);
        }
        if (!failed_ && !net_.stopped() && !waiting_.empty()) fail(*waiting_.begin(), ftp_failure::server, connection_failure_);
        return results_;
    }

private:
    // After a failure only files that have begun (and broke off) go on, and none once the
    // session is stopped.
    std::set<std::size_t>::iterator first_waiting()
    {
        if (net_.stopped()) return waiting_.end();
        return std::find_if(waiting_.begin(), waiting_.end(), [this](std::size_t i) {
            return (!failed_ || attempts_[i] > 0) && in_flight_.count(keys_[i]) == 0;
        });
    }
    void fail(std::size_t i, ftp_failure why, const std::wstring& text)
    {
        results_[i].state = ftp_file_state::failed;
        results_[i].failure = why;
        results_[i].failure_text = text;
        failed_ = true;
    }

    const std::vector<ftp_file>& files_;
    ftp_progress& progress_;
    const network& net_;
    std::mutex mutex_;
    std::mutex progress_mutex_;
    std::set<std::size_t> waiting_;
    std::vector<std::wstring> keys_;  // of the local files
    std::set<std::wstring> in_flight_;
    std::vector<ftp_file_result> results_;
    std::vector<int> attempts_;  // transfers that broke off
    std::vector<std::uint64_t> resume_at_;
    std::vector<std::wstring> last_failure_;
    std::wstring connection_failure_ = L"The update server took no connection.";
    bool failed_ = false;
};

namespace {

constexpr const wchar_t* too_many_bytes = L"The update server sent more bytes than the file may have.";

// Writes a transfer into its local file and reports the bytes; a file that grows past its size
// is stopped there.
class file_writer : public byte_sink {
public:
    file_writer(local_file& file, file_queue& queue, std::size_t index, std::uint64_t allowed)
        : file_(file), queue_(queue), index_(index), left_(allowed)
    {
    }
    void write(const char* data, std::size_t size) override
    {
        const auto taken = static_cast<std::size_t>(std::min<std::uint64_t>(size, left_));
        if (taken > 0) {
            file_.write(data, taken);
            left_ -= taken;
            written_ += taken;
            queue_.arrived(index_, taken);
        }
        if (taken < size) throw size_limit_error(too_many_bytes);
    }
    std::uint64_t written() const { return written_; }

private:
    local_file& file_;
    file_queue& queue_;
    std::size_t index_;
    std::uint64_t left_;
    std::uint64_t written_ = 0;
};

class memory_sink : public byte_sink {
public:
    explicit memory_sink(std::uint64_t max_bytes) : left_(max_bytes) {}
    void write(const char* data, std::size_t size) override
    {
        if (size > left_) throw size_limit_error(too_many_bytes);
        left_ -= size;
        bytes.insert(bytes.end(), data, data + size);
    }
    std::vector<std::uint8_t> bytes;

private:
    std::uint64_t left_;
};

}  // namespace

pooled_session::pooled_session(std::unique_ptr<network> net, std::unique_ptr<local_files> files, platform& codec,
                               ftp_account account)
    : net_(std::move(net)), files_(std::move(files)), session_(*net_, codec, std::move(account))
{
}

pooled_session::~pooled_session() = default;

void pooled_session::stop() { net_->stop(); }

std::vector<std::uint8_t> pooled_session::fetch(const std::wstring& server_path, std::uint64_t max_bytes)
{
    memory_sink sink(max_bytes);
    try {
        net_->check_stopped();
        resolve_once();
        std::unique_ptr<control_connection> connection = take_connection();
        try {
            connection->retrieve(server_path, 0, sink);
        } catch (const file_refused&) {
            give_back(std::move(connection));
            throw;
        }
        give_back(std::move(connection));
    } catch (const file_refused& e) {
        if (e.reply_code() >= 500) throw server_refusal(e.text());
        throw;
    } catch (const network_error&) {
        throw;
    } catch (const system_error& e) {
        throw network_error(e.text(), e.code());
    }
    return std::move(sink.bytes);
}

std::vector<ftp_file_result> pooled_session::fetch_files(const std::vector<ftp_file>& files, ftp_progress& progress)
{
    file_queue queue(files, progress, *net_);
    if (files.empty()) return {};
    // The first connection (fetch's, when it is still open) shows that the server can be had
    // before the others are tried.
    std::unique_ptr<control_connection> first;
    try {
        net_->check_stopped();
        resolve_once();
        first = take_connection();
    } catch (const transfer_stopped&) {
        return queue.results();
    } catch (const system_error& e) {
        queue.no_connection(e.text());
        return queue.results();
    }
    std::vector<std::thread> helpers;
    for (std::size_t n = 1; n < std::min(ftp_max_connections, files.size()); ++n) {
        try {
            helpers.emplace_back([this, &queue] { serve(queue, nullptr); });
        } catch (const std::system_error&) {
            break;  // fewer connections: the ones there are share the files
        }
    }
    serve(queue, std::move(first));
    for (std::thread& helper : helpers) helper.join();
    return queue.results();
}

// Once per session, so that a slow name server costs its time once; within the time-out.
void pooled_session::resolve_once()
{
    if (session_.addresses.empty())
        session_.addresses = net_->resolve(session_.account.host, deadline_after(session_.account.receive_timeout_ms));
}

// A logged-in connection: an idle one that the server has not closed meanwhile, or a new one.
std::unique_ptr<control_connection> pooled_session::take_connection()
{
    for (;;) {
        std::unique_ptr<control_connection> idle;
        {
            const std::lock_guard<std::mutex> hold(idle_mutex_);
            if (idle_.empty()) break;
            idle = std::move(idle_.back());
            idle_.pop_back();
        }
        if (idle->still_open()) return idle;
    }
    return std::make_unique<control_connection>(session_);
}

// The same for a connection of fetch_files: none when the server takes no more connections or
// logins, or the session stops.
std::unique_ptr<control_connection> pooled_session::take_connection_for(file_queue& queue)
{
    try {
        return take_connection();
    } catch (const transfer_stopped&) {
        return nullptr;
    } catch (const system_error& e) {
        queue.no_connection(e.text());
        return nullptr;
    }
}

void pooled_session::give_back(std::unique_ptr<control_connection> connection)
{
    const std::lock_guard<std::mutex> hold(idle_mutex_);
    idle_.push_back(std::move(connection));
}

// One connection's work: files from the queue until there are none left for it. A connection
// that breaks is replaced; when no new one can be had, the others go on without this one.
void pooled_session::serve(file_queue& queue, std::unique_ptr<control_connection> connection) noexcept
{
    try {
        while (queue.has_work()) {
            if (!connection) connection = take_connection_for(queue);
            if (!connection) return;
            const std::optional<std::size_t> index = queue.next();
            if (!index) break;
            if (!fetch_one(*connection, queue, *index)) connection.reset();
        }
        if (connection) give_back(std::move(connection));
    } catch (const std::exception& e) {
        // Out of memory, as good as: a file in hand ends with the queue's results.
        queue.no_connection(utf8_to_wide(e.what()));
    }
}

// One transfer of a file over the connection; false when the connection is of no further use.
bool pooled_session::fetch_one(control_connection& connection, file_queue& queue, std::size_t index)
{
    const ftp_file& file = queue.file(index);
    std::unique_ptr<local_file> local;
    try {
        local = files_->open(file.local_path, connection.can_resume() ? queue.resume_point(index) : 0);
    } catch (const system_error& e) {  // the system's text, whichever step of opening failed
        queue.started(index, 0);
        queue.failed(index, ftp_failure::local, e.text());
        return true;
    }
    const std::uint64_t from = local->size();
    queue.started(index, from);
    file_writer writer(*local, queue, index, file.size > from ? file.size - from : 0);
    // What the transfer came to is told to the queue only once the file is closed: telling it
    // frees the file for another connection (a broken transfer's, or a later list line's for the
    // same file), and that connection must be able to open it.
    std::function<void()> tell_queue;
    bool connection_usable = false;
    try {
        connection.retrieve(file.server_path, from, writer);
        tell_queue = [&queue, index, whole = local->finish()] { queue.fetched(index, whole); };
        connection_usable = true;
    } catch (const transfer_stopped&) {
        tell_queue = [&queue, index] { queue.stopped(index); };
    } catch (const file_refused& e) {
        tell_queue = [&queue, index, text = e.text()] { queue.failed(index, ftp_failure::server, text); };
        connection_usable = true;
    } catch (const size_limit_error& e) {
        tell_queue = [&queue, index, text = e.text()] { queue.failed(index, ftp_failure::too_large, text); };
    } catch (const local_file_error& e) {
        tell_queue = [&queue, index, text = e.text()] { queue.failed(index, ftp_failure::local, text); };
    } catch (const system_error& e) {
        tell_queue = [&queue, index, text = e.text(), at = from + writer.written()] { queue.broke(index, text, at); };
    }
    local.reset();
    tell_queue();
    return connection_usable;
}

}  // namespace qs::ftp
