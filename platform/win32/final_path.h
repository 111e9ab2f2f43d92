#pragma once
// Where a handle really is: its name in the object manager, and its final path, the one path
// that names no link on the way to it.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace nivaro::win32 {

// Where a handle really is, in the object manager's own words: \??\C:\dir\name under Wine,
// \Device\HarddiskVolume3\dir\name on Windows. Asked of the native call, which has no length limit.
std::optional<std::wstring> ObjectName(HANDLE handle);

// The folder as people write it: the final path, or where that is not to be had for a long path
// (Wine's stops at MAX_PATH), the object name without its \??\.
std::optional<std::wstring> DisplayPath(HANDLE handle, const std::wstring& objectName);

// The path as people write it: without the \\?\ that the final path carries.
std::wstring Readable(std::wstring_view final);

// How much of a final path is its root, \\?\C:\ , \\?\UNC\server\share\ or \\?\Volume{...}\ ,
// with the root's own separator; npos when it has none.
std::size_t RootLength(std::wstring_view final);

}  // namespace nivaro::win32
