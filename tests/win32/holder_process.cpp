#include "tests/win32/holder_process.h"

#include <stdexcept>

#include "tests/win32/wine_files.h"

namespace qs::test {
namespace {

// The build gives the Linux path of the holder.
std::wstring holder_exe() { return wine_path_of(QS_HOLD_FILE_EXE); }

const wchar_t* kind_argument(holder_process::kind what)
{
    switch (what) {
    case holder_process::kind::file: return L"file";
    case holder_process::kind::file_shared: return L"file-shared";
    case holder_process::kind::lock: return L"lock";
    }
    return L"";
}

// A pipe whose one end the child inherits; the other stays ours alone.
struct pipe_ends {
    win32::kernel_handle read, write;
};
pipe_ends make_pipe(bool child_reads)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    pipe_ends ends;
    if (!CreatePipe(ends.read.receive(), ends.write.receive(), &inherit, 0)) throw std::runtime_error("no pipe");
    SetHandleInformation(child_reads ? ends.write.get() : ends.read.get(), HANDLE_FLAG_INHERIT, 0);
    return ends;
}

}  // namespace

std::wstring holder_program() { return holder_exe(); }

holder_process::holder_process(kind what, const std::wstring& target)
{
    pipe_ends input = make_pipe(true), output = make_pipe(false);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.read.get();
    startup.hStdOutput = output.write.get();
    startup.hStdError = output.write.get();
    const std::wstring exe = holder_exe();
    std::wstring command = L"\"" + exe + L"\" " + kind_argument(what) + L" \"" + target + L"\"";
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
        throw std::runtime_error("cannot start " + narrow(exe));
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    input_ = std::move(input.write);
    // Only the child holds its ends now: its end of output closing is the end of its answer.
    input.read.reset();
    output.write.reset();
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(output.read.get(), &c, 1, &got, nullptr) && got == 1 && c != '\n') line.push_back(c);
    if (!line.empty()) answer_ = line;
}

holder_process::~holder_process()
{
    let_go();
}

bool holder_process::let_go()
{
    if (!process_) return false;
    input_.reset();
    const bool ended = WaitForSingleObject(process_.get(), 30000) == WAIT_OBJECT_0;
    DWORD code = 1;
    if (!ended) TerminateProcess(process_.get(), 99);
    else GetExitCodeProcess(process_.get(), &code);
    process_.reset();
    return ended && code == 0;
}

void holder_process::end_abruptly()
{
    if (!process_) return;
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 30000);
    process_.reset();
    input_.reset();
}

}  // namespace qs::test
