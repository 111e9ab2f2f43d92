#include "platform/win32/handle_names.h"

#include <vector>

#include "platform/win32/final_path.h"
#include "platform/win32/nt_api.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {

bool FolderNames::IsVolumeRoot() const
{
    return (path.size() == 3 && path[1] == L':' && path[2] == L'\\') ||
           (final.starts_with(L"\\\\?\\Volume{") && final.find(L'\\', 4) == final.size() - 1);
}

Result<FolderNames> NamesOfFolder(HANDLE folder)
{
    // The basic information, not the whole: that asks the volume for its serial number, a round
    // trip to Wine's mount manager that costs more than the rest of the open.
    FILE_BASIC_INFO info{};
    if (!::GetFileInformationByHandleEx(folder, FileBasicInfo, &info, sizeof(info))) {
        return std::unexpected(LastError());
    }
    if ((info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::unexpected(Win32Error(ERROR_DIRECTORY));
    }
    std::optional<std::wstring> objectName = ObjectName(folder);
    std::optional<std::wstring> final = objectName ? DisplayPath(folder, *objectName) : std::nullopt;
    if (!final) {
        return std::unexpected(Win32Error(ERROR_PATH_NOT_FOUND));
    }
    // A root's final path ends in its separator, \\?\C:\ ; a folder's does not.
    const bool driveRoot = final->size() == 7 && (*final)[5] == L':';
    if (final->ends_with(L'\\') && !driveRoot && !final->starts_with(L"\\\\?\\Volume{")) {
        final->pop_back();
    }
    if (objectName->ends_with(L'\\') && !final->ends_with(L'\\')) {
        objectName->pop_back();  // a folder's name has no separator at its end, only a root's does
    }
    return FolderNamesOf(std::move(*objectName), std::move(*final));
}

FolderNames FolderNamesOf(std::wstring objectName, std::wstring final)
{
    std::wstring path = Readable(final);
    return FolderNames{std::move(objectName), std::move(final), std::move(path)};
}

EntryLocation LocationOf(HANDLE entry, const std::wstring& folderObjectName)
{
    EntryLocation location;
    if (const std::optional<std::wstring> where = ObjectName(entry)) {
        const std::size_t slash = where->rfind(L'\\');
        // A root's own name keeps its separator: \??\C:\ holds \??\C:\name.
        const std::size_t parentEnd = folderObjectName.ends_with(L'\\') ? slash + 1 : slash;
        location.inFolder =
            slash != std::wstring::npos && std::wstring_view(*where).substr(0, parentEnd) == folderObjectName;
        location.leaf = where->substr(slash == std::wstring::npos ? 0 : slash + 1);
    }
    return location;
}

}  // namespace nivaro::win32
