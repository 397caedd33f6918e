#pragma once
// The folder picker every task uses: the shell's folder browser, optionally opened on a folder.
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qs {

inline constexpr std::uint32_t bif_returnonlyfsdirs = 0x0001;
inline constexpr std::uint32_t bif_newdialogstyle = 0x0040;
inline constexpr std::uint32_t bif_nonewfolderbutton = 0x0200;

// 0x0041 with the new-folder button, 0x0241 without.
std::uint32_t browse_flags(bool new_folder_button);

// The chosen folder as the shell gives it (a drive root keeps its "\"), or "" on Cancel or a
// choice that is no file-system folder.
std::wstring select_folder(platform& os, const std::wstring& title, const std::wstring& initial_folder,
                           bool new_folder_button);

}  // namespace qs
