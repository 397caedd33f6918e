#pragma once
// Owners for the handles the Win32 layer opens. Each kind of handle has exactly one owner type,
// which closes it in its destructor, so a handle is released on every path, also when a
// system_error passes through. Nothing else in the layer calls a Close function.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

#include "platform/win32/bcrypt_library.h"

namespace qs::win32 {

// A move-only owner of one handle value; Traits names the handle type, its "none" value and
// how it is closed.
template <typename Traits>
class unique_handle {
public:
    using value_type = typename Traits::type;

    unique_handle() noexcept = default;
    explicit unique_handle(value_type value) noexcept : value_(value) {}
    unique_handle(const unique_handle&) = delete;
    unique_handle& operator=(const unique_handle&) = delete;
    unique_handle(unique_handle&& other) noexcept : value_(std::exchange(other.value_, Traits::none())) {}
    unique_handle& operator=(unique_handle&& other) noexcept
    {
        if (this != &other) {
            reset();
            value_ = std::exchange(other.value_, Traits::none());
        }
        return *this;
    }
    ~unique_handle() { reset(); }

    value_type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::none(); }
    // For functions that hand a new handle out through a pointer argument.
    value_type* receive() noexcept
    {
        reset();
        return &value_;
    }
    void reset() noexcept
    {
        if (value_ != Traits::none()) Traits::close(value_);
        value_ = Traits::none();
    }

private:
    value_type value_ = Traits::none();
};

struct registry_key_traits {
    using type = HKEY;
    static type none() noexcept { return nullptr; }
    static void close(type key) noexcept { RegCloseKey(key); }
};
using registry_key = unique_handle<registry_key_traits>;

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not as a null handle.
struct file_handle_traits {
    using type = HANDLE;
    static type none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type file) noexcept { CloseHandle(file); }
};
using file_handle = unique_handle<file_handle_traits>;

struct find_handle_traits {
    using type = HANDLE;
    static type none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type search) noexcept { FindClose(search); }
};
using find_handle = unique_handle<find_handle_traits>;

// Process handles of CreateProcessW and the pipe ends around them.
struct kernel_handle_traits {
    using type = HANDLE;
    static type none() noexcept { return nullptr; }
    static void close(type handle) noexcept { CloseHandle(handle); }
};
using kernel_handle = unique_handle<kernel_handle_traits>;

// Winsock reports failure as INVALID_SOCKET, and a socket is closed with closesocket.
struct socket_traits {
    using type = SOCKET;
    static type none() noexcept { return INVALID_SOCKET; }
    static void close(type socket) noexcept { closesocket(socket); }
};
using socket_handle = unique_handle<socket_traits>;

// The address lists GetAddrInfoW hands out.
struct address_info_traits {
    using type = ADDRINFOW*;
    static type none() noexcept { return nullptr; }
    static void close(type list) noexcept { FreeAddrInfoW(list); }
};
using address_info = unique_handle<address_info_traits>;

// Item id lists the shell allocates with the COM task allocator.
struct pidl_traits {
    using type = LPITEMIDLIST;
    static type none() noexcept { return nullptr; }
    static void close(type list) noexcept { CoTaskMemFree(list); }
};
using pidl_owner = unique_handle<pidl_traits>;

// Buffers that FormatMessageW allocates.
struct local_memory_traits {
    using type = HLOCAL;
    static type none() noexcept { return nullptr; }
    static void close(type memory) noexcept { LocalFree(memory); }
};
using local_memory = unique_handle<local_memory_traits>;

// Libraries loaded at run time; they stay loaded as long as their owner lives.
struct library_module_traits {
    using type = HMODULE;
    static type none() noexcept { return nullptr; }
    static void close(type library) noexcept { FreeLibrary(library); }
};
using library_module = unique_handle<library_module_traits>;

// BCrypt handles exist only once bcrypt() has loaded the library, so closing them cannot fail to
// find its functions.
struct bcrypt_algorithm_traits {
    using type = BCRYPT_ALG_HANDLE;
    static type none() noexcept { return nullptr; }
    static void close(type algorithm) noexcept { bcrypt().close_algorithm_provider(algorithm, 0); }
};
using bcrypt_algorithm = unique_handle<bcrypt_algorithm_traits>;

struct bcrypt_hash_traits {
    using type = BCRYPT_HASH_HANDLE;
    static type none() noexcept { return nullptr; }
    static void close(type hash) noexcept { bcrypt().destroy_hash(hash); }
};
using bcrypt_hash = unique_handle<bcrypt_hash_traits>;

struct bcrypt_key_traits {
    using type = BCRYPT_KEY_HANDLE;
    static type none() noexcept { return nullptr; }
    static void close(type key) noexcept { bcrypt().destroy_key(key); }
};
using bcrypt_key = unique_handle<bcrypt_key_traits>;

// One reference to a COM interface, released when the owner goes.
template <typename Interface>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    com_ptr(com_ptr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept
    {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }
    ~com_ptr() { reset(); }

    Interface* get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }
    // For CoCreateInstance and QueryInterface, which hand the pointer out as void**.
    void** receive() noexcept
    {
        reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void reset() noexcept
    {
        if (pointer_ != nullptr) pointer_->Release();
        pointer_ = nullptr;
    }

    // Another interface of the same object; an empty owner when the object does not offer it.
    template <typename Other>
    HRESULT query(const IID& iid, com_ptr<Other>& other) const noexcept
    {
        return pointer_->QueryInterface(iid, other.receive());
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace qs::win32
