#pragma once
// Another process that holds a file or a named lock (tests/win32/hold_file.cpp), for the tests of
// every suite under Wine that need a claim from outside their own process.

#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace qs::test {

// The holder's program file, in Windows form.
std::wstring holder_program();

class holder_process {
public:
    enum class kind {
        file,         // open for reading, sharing reading only
        file_shared,  // the same, sharing deletion too
        lock,         // the platform's named lock on the name
    };
    // Starts the holder and waits for its answer (see holding()).
    holder_process(kind what, const std::wstring& target);
    // Lets go, if the test has not.
    ~holder_process();
    holder_process(const holder_process&) = delete;
    holder_process& operator=(const holder_process&) = delete;

    // Its answer: "holding", "refused CODE", or "<no answer>" when it ended (or never started)
    // without one.
    const std::string& answer() const { return answer_; }
    bool holding() const { return answer_ == "holding"; }
    // Ends its claim: closes its input and waits for it to end. True when it ended normally.
    bool let_go();
    // Ends it without letting go, as a crash would.
    void end_abruptly();

private:
    win32::kernel_handle process_;
    win32::kernel_handle input_;  // our end of its standard input
    std::string answer_ = "<no answer>";
};

}  // namespace qs::test
