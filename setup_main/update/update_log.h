#pragma once
// The log of Internet updates: one line per event, each beginning with the local time in ISO 8601
// form, in UTF-8 with a byte-order mark. Support asks for it when an update failed at a customer's
// site. A log that cannot be written never stops an update: the failure is kept for the caller
// to mention. The log is opened for each line (or batch of lines), appending and sharing reading
// and writing; a clash with a program that holds it without sharing is tried again for a moment,
// and a line that still cannot go in waits for the next one, so that no line of a run is lost
// while the clash lasts.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace qs::update {

// A log beyond this size loses its older half when the next run begins (and holds the
// installation's lock: no other run writes it then).
inline constexpr std::uint64_t log_trim_bytes = 1u << 20;

// update_log.txt in the program's per-user working folder (appdata_dir\EXE_TITLE).
std::wstring default_log_path(platform& os);

class update_log {
public:
    // Appends to the file at `path`, made when missing. An empty path writes nothing.
    update_log(platform& os, std::wstring path);
    // Tries once more, with patience, to write the lines still waiting.
    ~update_log();
    update_log(const update_log&) = delete;
    update_log& operator=(const update_log&) = delete;

    // One line: the time, a blank, the text (its line breaks become " / ").
    void write(const std::wstring& text);
    // While one lives, lines wait and go into the file together when it ends: a list with many
    // refused lines then costs one opening of the log, not one per line.
    class batch {
    public:
        explicit batch(update_log& log);
        ~batch();
        batch(const batch&) = delete;
        batch& operator=(const batch&) = delete;

    private:
        update_log& log_;
    };
    const std::wstring& path() const { return path_; }
    // The text of the first failure to write, if there was one.
    std::optional<std::wstring> failure() const;
    // Drops the older half of a log beyond log_trim_bytes; a log it cannot rewrite now stays.
    void trim_if_large();

private:
    bool append_waiting_lines();
    void write_waiting_lines();

    platform& os_;
    std::wstring path_;
    mutable std::mutex mutex_;  // lines come from the transfer threads too
    std::optional<std::wstring> failure_;
    std::string waiting_;      // lines that could not go in yet, in UTF-8
    bool clashing_ = false;    // the last attempt met a clash: the next one does not wait for it
    int batches_ = 0;          // open batches: lines wait for the last one to end
};

}  // namespace qs::update
