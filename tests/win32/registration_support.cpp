#include "tests/win32/registration_support.h"

#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/win32/handles.h"

namespace qs::wine_test {

namespace {

[[noreturn]] void unscripted(const char* what)
{
    throw std::logic_error(std::string("no scripted answer for ") + what);
}

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

struct snapshot_traits {
    using type = HANDLE;
    static type none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { CloseHandle(h); }
};
using snapshot_handle = win32::unique_handle<snapshot_traits>;

// Ids of the running processes whose program file is regsvr32.exe.
std::vector<DWORD> regsvr32_processes()
{
    std::vector<DWORD> ids;
    snapshot_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (lower(entry.szExeFile) == L"regsvr32.exe") ids.push_back(entry.th32ProcessID);
    return ids;
}

struct box_search {
    std::vector<DWORD> processes;
    std::vector<HWND> boxes;
};

BOOL CALLBACK collect_box(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<box_search*>(data);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::wstring(class_name) == L"#32770" &&
        std::find(search.processes.begin(), search.processes.end(), process) != search.processes.end())
        search.boxes.push_back(window);
    return TRUE;
}

}  // namespace

bool scripted_dialogs::ask_yes_no(const std::wstring& text, const std::wstring& caption, box_icon icon)
{
    questions.push_back({text, caption, icon});
    if (yes_no_answers.empty()) unscripted("a Yes/No question");
    const bool answer = yes_no_answers.front();
    yes_no_answers.pop_front();
    return answer;
}

std::wstring scripted_dialogs::input_box(const std::wstring& title, const std::wstring& prompt,
                                         const std::wstring& default_text, const dialog_buttons& buttons)
{
    inputs.push_back({title, prompt, default_text, buttons});
    if (input_answers.empty()) unscripted("an input box");
    const auto answer = input_answers.front();
    input_answers.pop_front();
    return answer ? *answer : default_text;
}

std::wstring scripted_dialogs::browse_for_folder(const std::wstring&, const std::wstring&, std::uint32_t)
{
    unscripted("the folder browser");
}

bool scripted_dialogs::select_directory(const std::wstring&, const select_directory_texts&, std::wstring&)
{
    unscripted("the directory dialog");
}

std::wstring own_folder()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring fresh_folder(const std::wstring& name)
{
    const std::wstring folder = own_folder() + name;
    remove_tree(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

void copy_or_fail(const std::wstring& from, const std::wstring& to)
{
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) throw std::runtime_error("cannot copy a test file");
}

bool wait_for_file(const std::wstring& path, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int close_regsvr32_boxes_and_wait(std::chrono::seconds limit)
{
    int closed = 0;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        box_search search{regsvr32_processes(), {}};
        if (search.processes.empty()) return closed;
        if (std::chrono::steady_clock::now() >= end) break;
        EnumWindows(collect_box, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.boxes) {
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            ++closed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    // Whatever still runs after the limit is ended, so that no test leaves a process behind.
    for (DWORD id : regsvr32_processes()) {
        win32::kernel_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (process) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
        }
    }
    return closed;
}

std::optional<std::wstring> reg_query_default(const std::wstring& key)
{
    const std::string output = test::run_captured(L"reg query \"HKCR\\" + key + L"\" /ve");
    const std::string value = test::reg_query_data(output, "(Default)");
    if (value == "<no value>") return std::nullopt;
    return std::wstring(value.begin(), value.end());
}

void delete_classes_key(const std::wstring& key)
{
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
}

std::optional<loaded_link> load_link(const std::wstring& path)
{
    win32::com_ptr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive())))
        return std::nullopt;
    win32::com_ptr<IPersistFile> file;
    if (FAILED(link.query(IID_IPersistFile, file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return std::nullopt;
    loaded_link loaded;
    std::wstring buffer(32768, L'\0');
    link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, SLGP_RAWPATH);
    loaded.target = buffer.c_str();
    buffer.assign(32768, L'\0');
    link->GetArguments(buffer.data(), static_cast<int>(buffer.size()));
    loaded.arguments = buffer.c_str();
    buffer.assign(32768, L'\0');
    link->GetWorkingDirectory(buffer.data(), static_cast<int>(buffer.size()));
    loaded.working_dir = buffer.c_str();
    return loaded;
}

}  // namespace qs::wine_test
