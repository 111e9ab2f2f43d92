#include "platform/win32/long_path.h"

#include <windows.h>

namespace nivaro::win32 {
namespace {

// CreateDirectoryW stops twelve characters short of MAX_PATH, to leave room for an 8.3 name
// inside; the same limit serves every file function.
constexpr std::size_t kPlainFormLimit = MAX_PATH - 12;

bool HasDevicePrefix(std::wstring_view path)
{
    return path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\") || path.starts_with(L"\\??\\");
}

}  // namespace

std::wstring FullPath(const std::wstring& path)
{
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::wstring full(needed, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) {
        return path;
    }
    full.resize(written);
    return full;
}

std::wstring LongPathForm(std::wstring_view path)
{
    std::wstring given(path);
    if (given.size() < kPlainFormLimit || HasDevicePrefix(given)) {
        return given;
    }
    std::wstring full = FullPath(given);
    if (HasDevicePrefix(full)) {
        return full;
    }
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

}  // namespace nivaro::win32
