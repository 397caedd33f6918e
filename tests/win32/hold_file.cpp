// A program of the tests that holds a file or a named lock for as long as its standard input stays
// open, so that the process under test meets a claim that really is another process's:
//
//   qs_hold_file.exe file PATH          opens PATH for reading, sharing reading only, as a program
//                                       holds the files it runs from
//   qs_hold_file.exe file-shared PATH   the same, sharing deletion (renaming) too
//   qs_hold_file.exe lock NAME          claims the name with the platform's named lock
//
// It writes one line to its standard output, "holding" once it holds or "refused CODE" when it
// could not, then waits until its standard input ends, lets go and ends with 0.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace {

void say(const std::string& line)
{
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Returns when the test closes its end of the pipe (or ends).
void wait_for_end_of_input()
{
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    }
}

int hold_file(const std::wstring& path, DWORD sharing)
{
    const qs::win32::file_handle file(
        CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        say("refused " + std::to_string(GetLastError()));
        return 0;
    }
    say("holding");
    wait_for_end_of_input();
    return 0;
}

int hold_lock(const std::wstring& name)
{
    qs::win32::win32_platform os;
    const std::unique_ptr<qs::named_lock> lock = os.try_lock(name);
    if (!lock) {
        say("refused 0");
        return 0;
    }
    say("holding");
    wait_for_end_of_input();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) return 2;
    const std::wstring what = argv[1];
    if (what == L"file") return hold_file(argv[2], FILE_SHARE_READ);
    if (what == L"file-shared") return hold_file(argv[2], FILE_SHARE_READ | FILE_SHARE_DELETE);
    if (what == L"lock") return hold_lock(argv[2]);
    return 2;
}
