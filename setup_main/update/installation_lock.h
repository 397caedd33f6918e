#pragma once
// One task at a time on an installation: the button's update, the unattended update, the
// start-up recovery of an interrupted commit and the uninstall each hold this claim for their
// whole run.
//
// The claim is the file ___korvex_update\lock, held open with no sharing. Every spelling of the
// folder (its short 8.3 form, a second drive letter, a share and its mapped drive, another PC
// running the installation from a share) reaches that one file, so the file decides. A lock file
// that a crashed run left behind is no claim: the system closed its handle with the process.

#include <memory>
#include <string>

#include "platform/platform.h"

namespace qs::update {

// The claim on the installation folder (with or without its trailing "\"), or nothing when
// another task holds it. Makes the staging folder for the lock file when missing, and removes it
// again when the claim ends and nothing else is in it. Throws system_error naming the lock file
// when it cannot be made (a folder the user may not write).
std::unique_ptr<named_lock> lock_installation(platform& os, const std::wstring& folder);

// The lock file of an installation folder.
std::wstring installation_lock_path(const std::wstring& folder);

}  // namespace qs::update
