#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

#include <shellapi.h>
#include <shlobj.h>

namespace qs::win32 {

namespace {
// SHFileOperationW takes lists of paths, each ended by a NUL, the list by one more.
std::wstring one_entry_list(const std::wstring& path)
{
    std::wstring list = path;
    list.push_back(L'\0');
    return list;  // c_str() adds the closing NUL
}

void throw_if_failed(HRESULT result)
{
    if (FAILED(result)) throw system_error(system_text(static_cast<DWORD>(result)));
}
}  // namespace

bool win32_platform::shell_copy(const std::wstring& from, const std::wstring& to)
{
    const std::wstring from_list = one_entry_list(from);
    const std::wstring to_list = one_entry_list(to);
    // No owner and no flags: the shell shows its own progress window, questions and errors.
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_COPY;
    operation.pFrom = from_list.c_str();
    operation.pTo = to_list.c_str();
    operation.fFlags = 0;
    return SHFileOperationW(&operation) == 0;
}

void win32_platform::shell_execute(const std::wstring& file, const std::wstring& parameters)
{
    // Started programs report for themselves; nothing waits for them.
    ShellExecuteW(main_window, nullptr, file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

bool win32_platform::save_shell_link(const std::wstring& link_path, const std::wstring& target,
                                     const std::wstring& arguments, const std::wstring& working_dir)
{
    com_ptr<IShellLinkW> link;
    throw_if_failed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     link.receive()));
    com_ptr<IPersistFile> file;
    throw_if_failed(link.query(IID_IPersistFile, file));

    link->SetArguments(arguments.c_str());
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(working_dir.c_str());
    return SUCCEEDED(file->Save(link_path.c_str(), FALSE));
}

void win32_platform::notify_file_associations_changed()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace qs::win32
