#pragma once
// The platform the publishing tool needs on Linux: the fake's collation and everything else it
// models, with its files replaced by the real ones below the current folder. Paths may use "\"
// or "/" between levels, as the program's logic joins them; the ANSI code page is Windows-1252,
// as on the maker's Windows machines.

#include "platform/fake/fake_platform.h"

namespace qs::posix {

class posix_files : public fake::fake_platform {
public:
    bool directory_exists(const std::wstring& path) override;
    bool file_exists(const std::wstring& path) override;
    bool find_any(const std::wstring& path) override;
    // Only the masks the file walk uses: "*" or "*.*" (every entry, "." and ".." included, as
    // Windows gives them) or a plain name.
    std::vector<dir_entry> find_entries(const std::wstring& pattern) override;
    bool delete_file(const std::wstring& path) override;
    void make_directory(const std::wstring& path) override;
    std::vector<std::uint8_t> read_file(const std::wstring& path) override;
    void write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    std::vector<std::wstring> md5_hex_of_files(const std::vector<std::wstring>& paths) override;
    std::wstring from_ansi(const std::string& bytes) override;
    std::string to_ansi(const std::wstring& text) override;
};

}  // namespace qs::posix
