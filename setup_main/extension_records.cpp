#include "setup_main/extension_records.h"

#include "basics/settings.h"
#include "basics/paths.h"
#include "setup_main/messages.h"

namespace qs {

std::vector<extension_record> parse_extension_records(const std::vector<std::wstring>& lines)
{
    std::vector<extension_record> records;
    for (std::size_t first = 0; first + 6 <= lines.size(); first += 6) {
        extension_record r{lines[first], lines[first + 1], lines[first + 2],
                           lines[first + 3], lines[first + 4], 0};
        if (!parse_int32(lines[first + 5], r.icon_index)) continue;
        records.push_back(std::move(r));
    }
    return records;
}

std::array<registry_default, 4> file_type_keys(const std::wstring& extension, const std::wstring& file_type,
                                               const std::wstring& description, const std::wstring& program_path,
                                               const std::wstring& argument, std::int32_t icon_index)
{
    return {{
        {extension, file_type},
        {file_type, description},
        {file_type + L"\\DefaultIcon", program_path + L"," + std::to_wstring(icon_index)},
        {file_type + L"\\Shell\\Open\\Command", L"\"" + program_path + L"\" \"" + argument + L"\""},
    }};
}

std::array<registry_default, 4> file_type_keys(const extension_record& record, const std::wstring& component_folder)
{
    return file_type_keys(record.extension, record.file_type, record.description,
                          with_trailing_backslash(component_folder) + record.program_file, record.argument,
                          record.icon_index);
}

yes_no_question extension_question(const extension_record& record, ui_language language)
{
    return {message(msg::register_extension_question, language,
                    {record.extension, record.file_type, record.description}),
            message(msg::register_extension_caption, language)};
}

program_start ole_server_start(const std::wstring& server_path)
{
    return {L"\"" + server_path + L"\"", L"/regserver"};
}

program_start regsvr32_start(const std::wstring& control_path)
{
    return {L"regsvr32", L"\"" + control_path + L"\""};
}

std::vector<std::wstring> ole_server_paths(const std::wstring& folder, const std::vector<std::wstring>& lines,
                                           const std::function<bool(const std::wstring&)>& is_file)
{
    std::vector<std::wstring> paths;
    for (const std::wstring& line : lines) {
        const std::wstring path = with_trailing_backslash(folder) + line;
        if (is_file(path)) paths.push_back(path);
    }
    return paths;
}

}  // namespace qs
