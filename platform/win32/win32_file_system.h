#pragma once
// The file system of the running system: a folder held by its handle, and its entries opened
// relative to that handle by their exact names through the native API, at any path length.

#include "platform/file_system.h"

namespace nivaro::win32 {

class Win32FileSystem final : public FileSystem {
public:
    PathForm Form(std::wstring_view path) override;
    bool Exists(std::wstring_view path) override;
    Result<std::string> ReadFile(std::wstring_view path) override;
    Result<std::unique_ptr<FolderHandle>> OpenFolder(std::wstring_view path) override;
    wchar_t Separator() const override { return L'\\'; }
};

}  // namespace nivaro::win32
