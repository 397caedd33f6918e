#pragma once
// The MD5 of bytes as they pass by, with BCrypt: a download is hashed while it is written, so
// that nothing has to read it back.

#include <cstddef>
#include <string>

#include "platform/win32/handles.h"

namespace qs::win32 {

class md5_stream {
public:
    md5_stream();
    void add(const char* data, std::size_t size);
    // The digest of everything added, as 32 upper-case hexadecimal digits.
    std::wstring finish();

private:
    bcrypt_algorithm algorithm_;
    bcrypt_hash hash_;
};

}  // namespace qs::win32
