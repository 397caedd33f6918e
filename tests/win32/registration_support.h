#pragma once
// What the registration and shortcut suite under Wine needs around the real tasks: a platform
// that is the real Win32 one except for the dialogs, which it answers from a script, and ways to
// look at what the started programs, the registry and the shell links left behind.

#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/win32/forwarding_platform.h"
#include "tests/win32/wine_files.h"

namespace qs::wine_test {

// The real Win32 platform, with the modal dialogs answered from a script so that no one has to
// click. Every other call goes to Windows unchanged.
class scripted_dialogs : public forwarding_platform {
public:
    std::deque<bool> yes_no_answers;
    std::deque<std::optional<std::wstring>> input_answers;  // nullopt: Cancel
    struct question { std::wstring text, caption; box_icon icon; };
    struct input_call { std::wstring title, prompt, default_text; dialog_buttons buttons; };
    std::vector<question> questions;
    std::vector<input_call> inputs;
    std::vector<std::wstring> messages;
    std::vector<std::wstring> errors;

    // ---- the dialogs: scripted; an unscripted one fails the task like an error would
    void show_message(const std::wstring& text) override { messages.push_back(text); }
    void show_error(const std::wstring& text) override { errors.push_back(text); }
    bool ask_yes_no(const std::wstring& text, const std::wstring& caption, box_icon icon) override;
    std::wstring input_box(const std::wstring& title, const std::wstring& prompt, const std::wstring& default_text,
                           const dialog_buttons& buttons) override;
    std::wstring browse_for_folder(const std::wstring&, const std::wstring&, std::uint32_t) override;
    bool select_directory(const std::wstring&, const select_directory_texts&, std::wstring&) override;
};

using test::read_bytes;
using test::remove_tree;
using test::write_bytes;

// COM on this thread for one test, as the program has it from its start.
class com_apartment {
public:
    com_apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~com_apartment() { CoUninitialize(); }
    com_apartment(const com_apartment&) = delete;
    com_apartment& operator=(const com_apartment&) = delete;
};

// The folder of this test program, with its trailing "\".
std::wstring own_folder();
// A fresh, empty folder below this program's folder (removed first if it is there).
std::wstring fresh_folder(const std::wstring& name);
void copy_or_fail(const std::wstring& from, const std::wstring& to);

// Polls until the file exists or the time is up; the started programs are not waited for by
// the tasks, so their marks arrive some time later.
bool wait_for_file(const std::wstring& path, std::chrono::seconds limit = std::chrono::seconds(30));

// regsvr32 without its silent switch may show its result box: close every such box, then wait
// (bounded) until no regsvr32 runs any more, ending the ones that linger. The number of boxes
// closed.
int close_regsvr32_boxes_and_wait(std::chrono::seconds limit = std::chrono::seconds(20));

// `reg query "HKCR\<key>" /ve` run as its own process: the default value it prints, or nullopt
// when reg finds no such key (it prints no value then).
std::optional<std::wstring> reg_query_default(const std::wstring& key);
// Removes a key of HKEY_CLASSES_ROOT with everything below it, if it is there.
void delete_classes_key(const std::wstring& key);

// A shell link file loaded back through IShellLinkW / IPersistFile.
struct loaded_link {
    std::wstring target;
    std::wstring arguments;
    std::wstring working_dir;
};
std::optional<loaded_link> load_link(const std::wstring& path);

}  // namespace qs::wine_test
