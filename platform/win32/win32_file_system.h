#pragma once
// The file system of the running system, through kernel32's wide file functions, at any path
// length.

#include "platform/file_system.h"

namespace nivaro::win32 {

class Win32FileSystem final : public FileSystem {
public:
    std::optional<std::uint32_t> Attributes(std::wstring_view path) override;
    std::optional<DirectoryEntry> FindEntry(std::wstring_view path) override;
    long RemoveFile(std::wstring_view path) override;
    long CheckDeletable(std::wstring_view path) override;
};

}  // namespace nivaro::win32
