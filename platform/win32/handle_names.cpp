#include "platform/win32/handle_names.h"

#include <vector>

#include "platform/win32/nt_api.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

// The folder as people write it. An object name already in DOS form (\??\C:\dir, as Wine gives
// it) is that path, and the final path would be made from it by another round trip; a device's
// name (\Device\HarddiskVolume3\dir, as Windows gives it) becomes the final path.
std::optional<std::wstring> DisplayPath(HANDLE handle, const std::wstring& objectName)
{
    if (objectName.starts_with(L"\\??\\")) {
        return L"\\\\?\\" + objectName.substr(4);
    }
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD written = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (written == 0) {
            break;
        }
        if (written < path.size()) {
            path.resize(written);
            return path;
        }
        path.resize(written);  // the size it needs, with its NUL
    }
    return std::nullopt;
}

// The path as people write it: without the \\?\ that the final path carries.
std::wstring Readable(std::wstring_view final)
{
    if (final.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + std::wstring(final.substr(8));
    }
    if (final.starts_with(L"\\\\?\\") && final.size() >= 6 && final[5] == L':') {
        return std::wstring(final.substr(4));
    }
    return std::wstring(final);
}

}  // namespace

std::optional<std::wstring> ObjectName(HANDLE handle)
{
    std::vector<std::byte> buffer(1024);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = ::NtQueryObject(handle, ObjectNameInformation, buffer.data(),
                                                static_cast<ULONG>(buffer.size()), &needed);
        if (status == kStatusSuccess) {
            const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            return std::wstring(name->Buffer, name->Length / sizeof(wchar_t));
        }
        if (needed <= buffer.size() || buffer.size() > 0x20000) {
            return std::nullopt;
        }
        buffer.resize(needed);
    }
}

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
