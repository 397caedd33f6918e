#include "browseforfolderunit/select_folder.h"

namespace qs {

std::uint32_t browse_flags(bool new_folder_button)
{
    std::uint32_t flags = bif_returnonlyfsdirs | bif_newdialogstyle;
    if (!new_folder_button) flags |= bif_nonewfolderbutton;
    return flags;
}

std::wstring select_folder(platform& os, const std::wstring& title, const std::wstring& initial_folder,
                           bool new_folder_button)
{
    return os.browse_for_folder(title, initial_folder, browse_flags(new_folder_button));
}

}  // namespace qs
