#pragma once
// The OLE session of the window layer's thread. The owners of its handles (GDI objects, COM
// interfaces, shell item lists, device contexts) are in handles.h, included here so that the
// window code needs one include for all of them.

#include "platform/win32/handles.h"

#include <ole2.h>


namespace qs::win32 {

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
