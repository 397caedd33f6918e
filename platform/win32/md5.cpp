#include <algorithm>
#include <array>
#include <optional>
#include <thread>

#include "platform/run_on_threads.h"
#include "platform/win32/handles.h"
#include "platform/win32/digest_stream.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
constexpr unsigned max_workers = 4;

// One hashing thread's tools: its own algorithm and, where the system can reset a hash on
// finishing, one hash object for all its files; and its own read buffer.
class hasher {
public:
    hasher() : buffer_(read_chunk)
    {
        if (bcrypt().open_algorithm_provider(algorithm_.receive(), BCRYPT_MD5_ALGORITHM, nullptr,
                                        BCRYPT_HASH_REUSABLE_FLAG) >= 0 &&
            bcrypt().create_hash(algorithm_.get(), reusable_.receive(), nullptr, 0, nullptr, 0,
                             BCRYPT_HASH_REUSABLE_FLAG) >= 0)
            return;
        reusable_.reset();
        check_status(bcrypt().open_algorithm_provider(algorithm_.receive(), BCRYPT_MD5_ALGORITHM, nullptr, 0));
    }

    std::wstring md5_of_file(const std::wstring& path)
    {
        // Readers may share the file, writers may not, so the digest belongs to one content.
        const file_handle file(CreateFileW(extended_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) throw_last_error();
        bcrypt_hash own;
        BCRYPT_HASH_HANDLE hash = reusable_.get();
        if (hash == nullptr) {
            check_status(bcrypt().create_hash(algorithm_.get(), own.receive(), nullptr, 0, nullptr, 0, 0));
            hash = own.get();
        }
        std::array<UCHAR, md5_bytes> digest{};
        try {
            for (;;) {
                DWORD got = 0;
                if (!ReadFile(file.get(), buffer_.data(), read_chunk, &got, nullptr)) throw_last_error();
                if (got > 0) check_status(bcrypt().hash_data(hash, buffer_.data(), got, 0));
                // A disk file gives less than asked only at its end: no extra call to learn that.
                if (got < read_chunk) break;
            }
        } catch (...) {
            // Finishing resets a reusable hash for the next file.
            bcrypt().finish_hash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
            throw;
        }
        check_status(bcrypt().finish_hash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
        return upper_hex(digest.data(), digest.size());
    }

private:
    bcrypt_algorithm algorithm_;
    bcrypt_hash reusable_;
    std::vector<UCHAR> buffer_;
};

unsigned worker_count(std::size_t files)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>({files, cores, max_workers}));
}
}  // namespace

// The per-file cost (high under Wine) and the hashing of large files are spread over the cores;
// the calling thread takes part and waits for the others.
std::vector<std::wstring> win32_platform::md5_hex_of_files(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> digests(paths.size());
    run_on_threads<hasher>(paths.size(), worker_count(paths.size()),
                           [&](std::size_t i, std::optional<hasher>& tools) {
                               if (!tools) tools.emplace();
                               digests[i] = tools->md5_of_file(paths[i]);
                           });
    return digests;
}

}  // namespace qs::win32
