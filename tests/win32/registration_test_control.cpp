// A stand-in ActiveX control for the registration tests: a DLL that regsvr32 loads for real.
// Its DllRegisterServer leaves a mark file beside the DLL, named after it, so a test can see
// that regsvr32 ran it on exactly this file.

#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace {

HMODULE self = nullptr;

HRESULT leave_mark(const wchar_t* suffix)
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return E_FAIL;
    path.resize(length);
    qs::win32::file_handle mark(CreateFileW((path + suffix).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return mark ? S_OK : E_FAIL;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer()
{
    return leave_mark(L".registered");
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer()
{
    return leave_mark(L".unregistered");
}
