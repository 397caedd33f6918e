#pragma once
// Owners for the handles the Win32 code opens. Each kind of handle has exactly one owner type,
// defined here, which closes it in its destructor, so a handle is released on every path, also
// when a system_error passes through. Nothing else calls a Close function. Only the OLE session
// of the window layer has its owner in gui_handles.h.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

#include "platform/win32/bcrypt_library.h"
#include "platform/win32/crypt32_library.h"
#include "platform/win32/winhttp_library.h"

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
    // Closes the handle held, then holds the new one.
    void reset(value_type value = Traits::none()) noexcept
    {
        if (value_ != Traits::none()) Traits::close(value_);
        value_ = value;
    }

private:
    value_type value_ = Traits::none();
};

// Traits of the handles whose "none" is a null value, closed by Close.
template <typename Handle, auto Close>
struct null_is_none {
    using type = Handle;
    static type none() noexcept { return nullptr; }
    static void close(type handle) noexcept { Close(handle); }
};

// CreateFileW and FindFirstFileW report failure as INVALID_HANDLE_VALUE, not as a null handle.
template <auto Close>
struct invalid_is_none {
    using type = HANDLE;
    static type none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type handle) noexcept { Close(handle); }
};

// Winsock reports failure as INVALID_SOCKET, and a socket is closed with closesocket.
struct socket_traits {
    using type = SOCKET;
    static type none() noexcept { return INVALID_SOCKET; }
    static void close(type socket) noexcept { closesocket(socket); }
};

// BCrypt handles exist only once bcrypt() has loaded the library, so closing them cannot fail to
// find its functions.
inline void close_bcrypt_algorithm(BCRYPT_ALG_HANDLE algorithm) noexcept
{
    bcrypt().close_algorithm_provider(algorithm, 0);
}
inline void destroy_bcrypt_hash(BCRYPT_HASH_HANDLE hash) noexcept { bcrypt().destroy_hash(hash); }
inline void destroy_bcrypt_key(BCRYPT_KEY_HANDLE key) noexcept { bcrypt().destroy_key(key); }
// Likewise WinHTTP handles, which only winhttp() can have made.
inline void close_internet_handle(HINTERNET handle) noexcept { winhttp().close_handle(handle); }
// And certificate stores, certificates and chains, which only crypt32() can have made.
inline void close_certificate_store(HCERTSTORE store) noexcept { crypt32().close_store(store, 0); }
inline void free_certificate(PCCERT_CONTEXT certificate) noexcept { crypt32().free_certificate(certificate); }
inline void free_certificate_chain(PCCERT_CHAIN_CONTEXT chain) noexcept { crypt32().free_chain(chain); }

using registry_key = unique_handle<null_is_none<HKEY, &RegCloseKey>>;
using file_handle = unique_handle<invalid_is_none<&CloseHandle>>;
using find_handle = unique_handle<invalid_is_none<&FindClose>>;
// Process handles of CreateProcessW and the pipe ends around them.
using kernel_handle = unique_handle<null_is_none<HANDLE, &CloseHandle>>;
using socket_handle = unique_handle<socket_traits>;
// The address lists GetAddrInfoW hands out.
using address_info = unique_handle<null_is_none<ADDRINFOW*, &FreeAddrInfoW>>;
// Item id lists the shell allocates with the COM task allocator.
using pidl_owner = unique_handle<null_is_none<LPITEMIDLIST, &CoTaskMemFree>>;
// Buffers that FormatMessageW allocates.
using local_memory = unique_handle<null_is_none<HLOCAL, &LocalFree>>;
// Libraries loaded at run time; they stay loaded as long as their owner lives.
using library_module = unique_handle<null_is_none<HMODULE, &FreeLibrary>>;
using bcrypt_algorithm = unique_handle<null_is_none<BCRYPT_ALG_HANDLE, &close_bcrypt_algorithm>>;
using bcrypt_hash = unique_handle<null_is_none<BCRYPT_HASH_HANDLE, &destroy_bcrypt_hash>>;
using bcrypt_key = unique_handle<null_is_none<BCRYPT_KEY_HANDLE, &destroy_bcrypt_key>>;
// WinHTTP sessions, connections and requests alike.
using internet_handle = unique_handle<null_is_none<HINTERNET, &close_internet_handle>>;
// Certificate stores, certificates and chains of crypt32.
using certificate_store = unique_handle<null_is_none<HCERTSTORE, &close_certificate_store>>;
using certificate_context = unique_handle<null_is_none<PCCERT_CONTEXT, &free_certificate>>;
using certificate_chain = unique_handle<null_is_none<PCCERT_CHAIN_CONTEXT, &free_certificate_chain>>;
// A window of the program's own, destroyed with its owner.
using window_handle = unique_handle<null_is_none<HWND, &DestroyWindow>>;
// A font, pen or brush (GDI objects of the window layer).
template <typename Handle>
using gdi_object = unique_handle<null_is_none<Handle, &DeleteObject>>;
using font_handle = gdi_object<HFONT>;
using pen_handle = gdi_object<HPEN>;
using brush_handle = gdi_object<HBRUSH>;

// A window's device context from GetDC, handed back to that window.
class window_dc {
public:
    explicit window_dc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    window_dc(const window_dc&) = delete;
    window_dc& operator=(const window_dc&) = delete;
    ~window_dc()
    {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }

    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

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
    // For the factory methods that hand a new reference out as Interface**.
    Interface** put() noexcept
    {
        reset();
        return &pointer_;
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
