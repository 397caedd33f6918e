#pragma once
// The comparison of the server's file list with the local one.
//
// Both lists are sorted by the file-list order (case ignored). The merge walks them with one
// cursor each: identical lines (after trimming) are matched and leave both lists; otherwise the
// side that sorts first, compared after ASCII upper-casing with case significant, moves on.
// What is left of each list keeps its order and its lines exactly as they were read.

#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs {

struct update_plan {
    std::vector<std::wstring> remote;  // server lines without an identical local line: files to get
    std::vector<std::wstring> local;   // local lines without an identical server line: files to delete
};

// Linear in the lines' total length: matched entries are marked and dropped in one pass.
update_plan merge_file_lists(platform& os, std::vector<std::wstring> remote, std::vector<std::wstring> local);

}  // namespace qs
