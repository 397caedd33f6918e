#pragma once
// winhttp.dll, loaded at first use from the system folder only, as bcrypt.dll is: the program is
// started from installation media, and an imported DLL of that name lying beside it there would
// be loaded in place of Windows' own. Every WinHTTP function the Win32 layer calls comes from here.

#include <windows.h>
#include <winhttp.h>

namespace qs::win32 {

struct winhttp_functions {
    decltype(&WinHttpOpen) open;
    decltype(&WinHttpConnect) connect;
    decltype(&WinHttpOpenRequest) open_request;
    decltype(&WinHttpSendRequest) send_request;
    decltype(&WinHttpReceiveResponse) receive_response;
    decltype(&WinHttpQueryHeaders) query_headers;
    decltype(&WinHttpQueryDataAvailable) query_data_available;
    decltype(&WinHttpReadData) read_data;
    decltype(&WinHttpSetOption) set_option;
    decltype(&WinHttpSetTimeouts) set_timeouts;
    decltype(&WinHttpQueryAuthSchemes) query_auth_schemes;
    decltype(&WinHttpSetCredentials) set_credentials;
    decltype(&WinHttpGetIEProxyConfigForCurrentUser) get_ie_proxy_config_for_current_user;
    decltype(&WinHttpGetDefaultProxyConfiguration) get_default_proxy_configuration;
    decltype(&WinHttpGetProxyForUrl) get_proxy_for_url;
    decltype(&WinHttpCloseHandle) close_handle;
    decltype(&WinHttpSetStatusCallback) set_status_callback;
};

// The functions, loading the library on the first call (once, also when threads race for it).
// Throws system_error with the system's text when the library or one of the functions cannot
// be had; a later call tries again.
const winhttp_functions& winhttp();

}  // namespace qs::win32
