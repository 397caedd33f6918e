#include "platform/win32/winhttp_library.h"

#include "platform/win32/system_library.h"

namespace qs::win32 {
namespace {

struct loaded_winhttp {
    library_module library;
    winhttp_functions functions{};

    loaded_winhttp() : library(load_system_library(L"winhttp.dll"))
    {
        HMODULE m = library.get();
        resolve(m, "WinHttpOpen", functions.open);
        resolve(m, "WinHttpConnect", functions.connect);
        resolve(m, "WinHttpOpenRequest", functions.open_request);
        resolve(m, "WinHttpSendRequest", functions.send_request);
        resolve(m, "WinHttpReceiveResponse", functions.receive_response);
        resolve(m, "WinHttpQueryHeaders", functions.query_headers);
        resolve(m, "WinHttpQueryDataAvailable", functions.query_data_available);
        resolve(m, "WinHttpReadData", functions.read_data);
        resolve(m, "WinHttpSetOption", functions.set_option);
        resolve(m, "WinHttpSetTimeouts", functions.set_timeouts);
        resolve(m, "WinHttpQueryAuthSchemes", functions.query_auth_schemes);
        resolve(m, "WinHttpSetCredentials", functions.set_credentials);
        resolve(m, "WinHttpGetIEProxyConfigForCurrentUser", functions.get_ie_proxy_config_for_current_user);
        resolve(m, "WinHttpGetDefaultProxyConfiguration", functions.get_default_proxy_configuration);
        resolve(m, "WinHttpGetProxyForUrl", functions.get_proxy_for_url);
        resolve(m, "WinHttpCloseHandle", functions.close_handle);
        resolve(m, "WinHttpSetStatusCallback", functions.set_status_callback);
    }
};

}  // namespace

const winhttp_functions& winhttp()
{
    // A failed construction leaves the static uninitialised, so the next call tries again.
    static const loaded_winhttp loaded;
    return loaded.functions;
}

}  // namespace qs::win32
