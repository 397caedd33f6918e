#include "tests/win32/test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/win32/handles.h"

namespace qs::test {

using win32::kernel_handle;

scratch_folder::scratch_folder()
{
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0) throw std::runtime_error("no temporary folder");
    path_ = std::wstring(temp, length) + L"qs_win32_tests_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    remove_tree(path_);
    make_folders(path_);
}

scratch_folder::~scratch_folder()
{
    remove_tree(path_);
}

void set_attributes(const std::wstring& path, DWORD attributes)
{
    if (!SetFileAttributesW(path.c_str(), attributes))
        throw std::runtime_error("cannot set attributes of " + narrow(path));
}

std::string run_captured(const std::wstring& command_line)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    kernel_handle read_end;
    kernel_handle write_end;
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
    const kernel_handle process_handle(process.hProcess);
    const kernel_handle thread_handle(process.hThread);
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

std::string narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace qs::test

int main(int argc, char** argv)
{
    // The program initialises COM on its user-interface thread at start; the suite does the same.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
