#pragma once
// The comparison of the server's file list with the local one.
//
// A line of one list matches an identical line of the other (after trimming, case significant)
// wherever either stands: the server list may have been sorted in another collation than ours
// (the maker's locale, or byte-wise), so positions say nothing. A line that occurs more often in
// one list than in the other matches as often as the other has it; the earliest copies match.
// What is left of each list keeps its order and its lines exactly as they were read.

#include <string>
#include <vector>

namespace qs {

struct update_plan {
    std::vector<std::wstring> remote;  // server lines without an identical local line: files to get
    std::vector<std::wstring> local;   // local lines without an identical server line: files to delete
};

// Linear in the lines' total length: one hash table of the local lines, one pass over each list.
// Only the lines left are copied.
update_plan merge_file_lists(const std::vector<std::wstring>& remote, const std::vector<std::wstring>& local);

}  // namespace qs
