// Files that other programs hold open, and which programs those are.
#include "platform/win32/handles.h"

#include <restartmanager.h>

#include <algorithm>

#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

bool win32_platform::file_in_use(const std::wstring& path)
{
    // Delete access is what moving the file aside needs; a program that holds the file without
    // sharing delete (as a running program holds its data files) refuses it.
    const file_handle file(CreateFileW(extended_path(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file && GetLastError() == ERROR_SHARING_VIOLATION;
}

namespace {

// The Restart Manager of rstrtmgr.dll, loaded at first use.
struct restart_manager {
    library_module library = load_system_library(L"rstrtmgr.dll");
    decltype(&RmStartSession) start_session{};
    decltype(&RmRegisterResources) register_resources{};
    decltype(&RmGetList) get_list{};
    decltype(&RmEndSession) end_session{};

    restart_manager()
    {
        resolve(library.get(), "RmStartSession", start_session);
        resolve(library.get(), "RmRegisterResources", register_resources);
        resolve(library.get(), "RmGetList", get_list);
        resolve(library.get(), "RmEndSession", end_session);
    }
};

// One Restart Manager session, ended when the object goes.
class restart_session {
public:
    explicit restart_session(const restart_manager& rm) : rm_(rm)
    {
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        started_ = rm_.start_session(&handle_, 0, key) == ERROR_SUCCESS;
    }
    ~restart_session()
    {
        if (started_) rm_.end_session(handle_);
    }
    restart_session(const restart_session&) = delete;
    restart_session& operator=(const restart_session&) = delete;

    bool started() const { return started_; }
    DWORD handle() const { return handle_; }

private:
    const restart_manager& rm_;
    DWORD handle_ = 0;
    bool started_ = false;
};

}  // namespace

// The names are a courtesy for the box that asks to close those programs: anything the Restart
// Manager cannot tell (it is missing, or a stub that knows no program, as under Wine) gives none.
std::vector<std::wstring> win32_platform::programs_using(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> names;
    if (paths.empty()) return names;
    try {
        static const restart_manager rm;
        restart_session session(rm);
        if (!session.started()) return names;
        std::vector<LPCWSTR> files;
        for (const std::wstring& path : paths) files.push_back(path.c_str());
        if (rm.register_resources(session.handle(), static_cast<UINT>(files.size()), files.data(), 0, nullptr, 0,
                                  nullptr) != ERROR_SUCCESS)
            return names;
        std::vector<RM_PROCESS_INFO> found;
        DWORD status = ERROR_MORE_DATA;
        for (int attempt = 0; attempt < 4 && status == ERROR_MORE_DATA; ++attempt) {
            UINT needed = 0;
            UINT count = static_cast<UINT>(found.size());
            DWORD reasons = 0;
            status = rm.get_list(session.handle(), &needed, &count, found.empty() ? nullptr : found.data(), &reasons);
            if (status == ERROR_MORE_DATA) found.resize(needed);
            else found.resize(count);
        }
        if (status != ERROR_SUCCESS) return {};
        for (const RM_PROCESS_INFO& process : found) {
            const std::wstring name = process.strAppName;
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
    } catch (const system_error&) {
        return {};
    }
    return names;
}

}  // namespace qs::win32
