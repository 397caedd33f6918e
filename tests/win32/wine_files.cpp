#include "tests/win32/wine_files.h"

#include <windows.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/handles.h"

namespace qs::test {

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::wstring wine_path_of(const std::string& linux_path)
{
    std::wstring path = L"Z:";
    for (char c : linux_path) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path;
}

void make_folders(const std::wstring& path)
{
    // Every folder above, from the top: the ones that are there (and a drive or "\\?\") refuse.
    for (std::size_t at = path.find_first_of(L"\\/"); at != std::wstring::npos; at = path.find_first_of(L"\\/", at + 1))
        if (at > 0) CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
    if (!folder_exists(path)) throw std::runtime_error("cannot make the folder " + narrow(path));
}

void remove_tree(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW(path.c_str());
        return;
    }
    std::vector<std::wstring> children;
    {
        WIN32_FIND_DATAW data;
        const win32::find_handle search(FindFirstFileW((path + L"\\*").c_str(), &data));
        if (search) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") children.push_back(path + L"\\" + name);
            } while (FindNextFileW(search.get(), &data));
        }
    }
    for (const std::wstring& child : children) remove_tree(child);
    RemoveDirectoryW(path.c_str());
}

void write_bytes(const std::wstring& path, const std::string& bytes)
{
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0 && !folder_exists(path.substr(0, cut))) make_folders(path.substr(0, cut));
    const win32::file_handle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("cannot create " + narrow(path));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot write " + narrow(path));
}

std::string read_bytes(const std::wstring& path)
{
    const win32::file_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

bool file_exists(const std::wstring& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool folder_exists(const std::wstring& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string run_captured(const std::wstring& command_line)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    win32::kernel_handle read_end;
    win32::kernel_handle write_end;
    if (!CreatePipe(read_end.receive(), write_end.receive(), &inherit, 0)) throw std::runtime_error("no pipe");
    SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end.get();
    startup.hStdError = write_end.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring mutable_line = command_line;
    if (!CreateProcessW(nullptr, mutable_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        throw std::runtime_error("cannot start " + narrow(command_line));
    const win32::kernel_handle process_handle(process.hProcess);
    const win32::kernel_handle thread_handle(process.hThread);
    write_end.reset();  // so that the read below ends when the program ends

    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    WaitForSingleObject(process_handle.get(), INFINITE);
    return output;
}

std::string reg_query_data(const std::string& output, const std::string& value_label)
{
    // Lines look like "    ProgramFilesDir    REG_SZ    C:\Program Files".
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const auto first = line.find_first_not_of(' ');
        if (first == std::string::npos || line.compare(first, value_label.size(), value_label) != 0) continue;
        const auto type = line.find("REG_", first + value_label.size());
        if (type == std::string::npos) continue;
        const auto gap = line.find(' ', type);
        if (gap == std::string::npos) return "";
        const auto data = line.find_first_not_of(' ', gap);
        return data == std::string::npos ? "" : line.substr(data);
    }
    return "<no value>";
}

}  // namespace qs::test
