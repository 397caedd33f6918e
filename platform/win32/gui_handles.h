#pragma once
// Owners for the handles of the window layer: GDI objects, COM interface pointers, shell item
// lists, OLE initialisation. Each releases its handle exactly once, also when an error passes.

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include <memory>
#include <utility>

namespace qs::win32 {

// A font, pen, brush or bitmap, deleted with DeleteObject.
template <class Handle>
class gdi_object {
public:
    gdi_object() = default;
    explicit gdi_object(Handle h) noexcept : h_(h) {}
    gdi_object(gdi_object&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    gdi_object& operator=(gdi_object&& other) noexcept
    {
        if (this != &other) reset(std::exchange(other.h_, nullptr));
        return *this;
    }
    gdi_object(const gdi_object&) = delete;
    gdi_object& operator=(const gdi_object&) = delete;
    ~gdi_object() { reset(); }

    void reset(Handle h = nullptr) noexcept
    {
        if (h_) DeleteObject(h_);
        h_ = h;
    }
    Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }

private:
    Handle h_ = nullptr;
};

using font_handle = gdi_object<HFONT>;
using pen_handle = gdi_object<HPEN>;
using brush_handle = gdi_object<HBRUSH>;

// A COM interface pointer, released once.
template <class Interface>
class com_ptr {
public:
    com_ptr() = default;
    com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    ~com_ptr() { reset(); }

    void reset() noexcept
    {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    Interface* get() const noexcept { return p_; }
    Interface* operator->() const noexcept { return p_; }
    // For the functions that hand out a new reference.
    Interface** put() noexcept
    {
        reset();
        return &p_;
    }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    Interface* p_ = nullptr;
};

// A shell item identifier list, freed with CoTaskMemFree.
struct pidl_free {
    void operator()(ITEMIDLIST* p) const noexcept { CoTaskMemFree(p); }
};
using pidl_owner = std::unique_ptr<ITEMIDLIST, pidl_free>;

// OLE for the calling thread (a single-threaded apartment), for the life of the object.
class ole_session {
public:
    ole_session() noexcept : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~ole_session()
    {
        if (ok_) OleUninitialize();
    }
    ole_session(const ole_session&) = delete;
    ole_session& operator=(const ole_session&) = delete;

private:
    bool ok_;
};

}  // namespace qs::win32
