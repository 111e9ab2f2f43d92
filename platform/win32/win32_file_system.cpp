#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <memory>

#include "platform/backend.h"
#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {

std::optional<std::uint32_t> Win32FileSystem::Attributes(std::wstring_view path)
{
    if (path.empty()) {
        return std::nullopt;
    }
    const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

// The attributes of the entry itself, a link's own included, with no listing of its folder: one
// call for each entry of a run, and the cheapest the API has.
std::optional<DirectoryEntry> Win32FileSystem::FindEntry(std::wstring_view path)
{
    if (path.empty()) {
        return std::nullopt;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return DirectoryEntry{data.dwFileAttributes,
                          static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow};
}

long Win32FileSystem::RemoveFile(std::wstring_view path)
{
    if (::DeleteFileW(LongPathForm(path).c_str())) {
        return file_status::kSuccess;
    }
    return static_cast<long>(::GetLastError());
}

// DeleteFileW meets, in this order: a missing name, a folder (a link to one included), a handle
// that does not share delete, and last the read-only attribute. Opening the entry itself for
// delete access with every sharing finds the second-to-last without deleting anything.
long Win32FileSystem::CheckDeletable(std::wstring_view path)
{
    if (path.empty()) {
        return file_status::kPathNotFound;  // what DeleteFileW answers for an empty path
    }
    const std::wstring full = LongPathForm(path);
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return static_cast<long>(::GetLastError());
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return file_status::kAccessDenied;
    }
    const UniqueFile file(::CreateFileW(full.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        return static_cast<long>(::GetLastError());
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return file_status::kAccessDenied;
    }
    return file_status::kSuccess;
}

}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<FileSystem> MakeFileSystem()
{
    return std::make_unique<win32::Win32FileSystem>();
}

}  // namespace nivaro
