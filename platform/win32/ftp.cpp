#include "platform/ftp/ftp_client.h"
#include "platform/win32/digest_stream.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winsock_network.h"

#include <algorithm>

namespace qs::win32 {

namespace {

// A local file that could not be written: no fault of the server's.
class local_file_error : public system_error {
public:
    explicit local_file_error(const system_error& e) : system_error(e.text(), e.code()) {}
};

// Writes a download into its file and hashes it on the way.
class file_sink : public ftp::byte_sink {
public:
    explicit file_sink(HANDLE file) : file_(file) {}

    void write(const char* data, std::size_t size) override
    {
        digest_.add(data, size);
        size_ += size;
        while (size > 0) {
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file_, data, piece, &written, nullptr)) {
                try {
                    throw_last_error();
                } catch (const system_error& e) {
                    throw local_file_error(e);
                }
            }
            data += written;
            size -= written;
        }
    }

    download_result result()
    {
        const std::vector<UCHAR> md5 = digest_.finish();
        return {size_, upper_hex(md5.data(), md5.size())};
    }

private:
    HANDLE file_;
    digest_stream digest_{BCRYPT_MD5_ALGORITHM, md5_bytes};
    std::uint64_t size_ = 0;
};

class memory_sink : public ftp::byte_sink {
public:
    std::vector<std::uint8_t> bytes;
    void write(const char* data, std::size_t size) override { bytes.insert(bytes.end(), data, data + size); }
};

class win32_ftp_session : public ftp_session {
public:
    win32_ftp_session(win32_platform& codec, ftp_account account) : codec_(codec), account_(std::move(account)) {}

    std::vector<std::uint8_t> fetch(const std::wstring& server_path, std::uint64_t max_bytes) override
    {
        memory_sink sink;
        try {
            ftp::retrieve(net_, codec_, account_, run_, server_path, sink, max_bytes);
        } catch (const network_error&) {
            throw;
        } catch (const system_error& e) {
            throw network_error(e.text(), e.code());
        }
        return std::move(sink.bytes);
    }

    std::vector<ftp_file_result> fetch_files(const std::vector<ftp_file>& files, ftp_progress& progress) override
    {
        std::vector<ftp_file_result> results(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            results[i] = fetch_one(files[i], i, progress);
            if (results[i].state == ftp_file_state::failed) break;
        }
        return results;
    }

    void stop() override {}

private:
    ftp_file_result fetch_one(const ftp_file& file, std::size_t index, ftp_progress& progress)
    {
        ftp_file_result result;
        const file_handle local(CreateFileW(file.local_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        try {
            if (!local) throw local_file_error(system_error(system_text(GetLastError()), GetLastError()));
            file_sink sink(local.get());
            progress.started(index, 0);
            ftp::retrieve(net_, codec_, account_, run_, file.server_path, sink, file.size);
            if (!FlushFileBuffers(local.get())) throw local_file_error(system_error(system_text(GetLastError())));
            result.whole = sink.result();
            progress.arrived(index, result.whole.size);
            result.state = ftp_file_state::fetched;
        } catch (const local_file_error& e) {
            result.state = ftp_file_state::failed;
            result.failure = ftp_failure::local;
            result.failure_text = e.text();
        } catch (const size_limit_error& e) {
            result.state = ftp_file_state::failed;
            result.failure = ftp_failure::too_large;
            result.failure_text = e.text();
        } catch (const system_error& e) {
            result.state = ftp_file_state::failed;
            result.failure = ftp_failure::server;
            result.failure_text = e.text();
        }
        return result;
    }

    win32_platform& codec_;
    ftp_account account_;
    winsock_network net_;
    ftp::ftp_run_state run_;
};

}  // namespace

std::unique_ptr<ftp_session> win32_platform::open_ftp_session(const ftp_account& account)
{
    return std::make_unique<win32_ftp_session>(*this, account);
}

}  // namespace qs::win32
