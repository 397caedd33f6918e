#pragma once
// Putting the staged files of an update in place, all or none, and undoing a commit that a crash
// or a power cut interrupted.
//
// Before the first change, the journal in the staging folder records every step to come and is
// flushed to the disk. Then each installed file is moved aside into the staging folder and its
// staged file moved into its place. When every file has moved, the journal is marked done (a
// file of its own beside it, so that the journal itself is never written twice); only then are
// the old files deleted. A journal without its mark means the commit did not end: undoing it puts
// every old file back and every new one back into staging, so that the next update has nothing
// to fetch again.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "setup_main/update/staging.h"

namespace qs::update {

struct commit_file {
    std::wstring path;       // relative, "/" between levels
    bool replaces = false;   // an installed file is there and is replaced
    bool read_only = false;  // the installed file had the read-only attribute
};

struct commit_plan {
    std::vector<std::wstring> new_folders;  // relative, each after the one above it
    std::vector<commit_file> files;
    std::optional<std::uint64_t> release;   // recorded once the commit has succeeded
    std::wstring run;  // what sets this commit's journal apart from any other's
};

// The journal as it is written: UTF-8 lines.
std::string journal_text(const commit_plan& plan);
// Nothing when the bytes are no whole journal (a write torn by a power cut, before any change).
std::optional<commit_plan> parse_journal(const std::string& bytes);

// A commit that failed and was undone: text() is the failure's own text.
class commit_failed : public system_error {
public:
    using system_error::system_error;
};
// A commit, or the undoing of one, that could not put everything back: the journal stays, and the
// next start of the program tries again.
class undo_failed : public system_error {
public:
    using system_error::system_error;
};

// The content of the done mark of a journal: a digest of the journal's bytes, so that a mark
// left from another commit (one a scanner or a sync client kept) is no mark of this one.
std::string done_mark_text(const std::string& journal_bytes);

// Commits the staged files. On failure every step already done is undone and commit_failed is
// thrown; undo_failed when even that could not be done. A done mark of an earlier commit that
// cannot be deleted is such a failure, before any change. Once every file is in place the commit
// has succeeded: what it returns is the failure to record the release (naming the record), if
// that is all that went wrong.
std::optional<std::wstring> commit(platform& os, staging& where, const commit_plan& plan);

// Undoes whatever steps of the plan were done, in reverse order, however far the commit came.
// Steps are recognised by which files are where, so undoing twice does no harm. Throws
// undo_failed when a step cannot be undone.
void undo(platform& os, staging& where, const commit_plan& plan);

enum class recovery {
    none,         // no journal: nothing was interrupted
    completed,    // the commit had ended; its clean-up is done now
    rolled_back,  // the commit had not ended and has been undone
};
// What the program does with a journal it finds when it starts.
recovery recover(platform& os, staging& where);

}  // namespace qs::update
