#include "platform/ftp/ftp_client.h"
#include "platform/win32/handles.h"
#include "platform/win32/digest_stream.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winsock_network.h"

#include <algorithm>

namespace qs::win32 {

namespace {
// Writes the download into its file and hashes it on the way.
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
            if (!WriteFile(file_, data, piece, &written, nullptr)) throw_last_error();
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
}  // namespace

// CREATE_NEW: the download never lands in a file that is already there, so deleting the file
// after a failure can only remove what this transfer made.
download_result win32_platform::ftp_get(const ftp_account& account, ftp_run_state& run,
                                        const std::wstring& server_path, const std::wstring& local_path,
                                        std::uint64_t max_bytes)
{
    file_handle file(CreateFileW(local_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw_last_error();
    try {
        winsock_network net;
        file_sink sink(file.get());
        ftp::retrieve(net, *this, account, run, server_path, sink, max_bytes);
        if (!FlushFileBuffers(file.get())) throw_last_error();
        return sink.result();
    } catch (...) {
        file.reset();
        DeleteFileW(local_path.c_str());
        throw;
    }
}

}  // namespace qs::win32
