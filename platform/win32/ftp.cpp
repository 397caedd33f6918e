#include <algorithm>
#include <vector>

#include "platform/ftp/pooled_session.h"
#include "platform/win32/digest_stream.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/winsock_network.h"

namespace qs::win32 {

namespace {

[[noreturn]] void throw_local_error()
{
    const DWORD code = GetLastError();
    throw ftp::local_file_error(system_text(code), code);
}

// A download's file, hashed as it is written.
class download_file : public ftp::local_file {
public:
    explicit download_file(file_handle file) : file_(std::move(file)) {}

    // Hashes the first bytes that stay, and cuts off what follows them.
    void keep_first(std::uint64_t keep)
    {
        std::vector<char> buffer(read_chunk);
        while (size_ < keep) {
            const auto wanted = static_cast<DWORD>(std::min<std::uint64_t>(read_chunk, keep - size_));
            DWORD got = 0;
            if (!ReadFile(file_.get(), buffer.data(), wanted, &got, nullptr)) throw_local_error();
            if (got == 0) break;  // shorter than that
            digest_.add(buffer.data(), got);
            size_ += got;
        }
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size_);
        if (!SetFilePointerEx(file_.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.get())) throw_local_error();
    }

    std::uint64_t size() const override { return size_; }

    void write(const char* data, std::size_t size) override
    {
        digest_.add(data, size);
        size_ += size;
        try {
            write_all(file_.get(), data, size);
        } catch (const system_error& e) {
            throw ftp::local_file_error(e.text(), e.code());
        }
    }

    download_result finish() override
    {
        if (!FlushFileBuffers(file_.get())) throw_local_error();
        const std::vector<UCHAR> md5 = digest_.finish();
        return {size_, upper_hex(md5.data(), md5.size())};
    }

private:
    file_handle file_;
    digest_stream digest_{BCRYPT_MD5_ALGORITHM, md5_bytes};
    std::uint64_t size_ = 0;
};

class download_files : public ftp::local_files {
public:
    std::unique_ptr<ftp::local_file> open(const std::wstring& path, std::uint64_t keep) override
    {
        file_handle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw_local_error();
        auto local = std::make_unique<download_file>(std::move(file));
        local->keep_first(keep);
        return local;
    }
};

}  // namespace

std::unique_ptr<ftp::local_files> make_download_files()
{
    return std::make_unique<download_files>();
}

std::unique_ptr<ftp_session> win32_platform::open_ftp_session(const ftp_account& account)
{
    return std::make_unique<ftp::pooled_session>(std::make_unique<winsock_network>(), std::make_unique<download_files>(),
                                                 *this, account);
}

}  // namespace qs::win32
