#pragma once
// Paths of any length for the wide file functions, which stop at MAX_PATH characters unless the
// path comes in the \\?\ form.

#include <string>
#include <string_view>

namespace nivaro::win32 {

// The path as given while it is short enough for the plain form; past that, its full form behind
// \\?\ (\\?\UNC\ for a UNC path). That form also turns off the functions' own tidying of the
// path ('/' to '\', "." and ".." steps), so the full form is worked out first.
std::wstring LongPathForm(std::wstring_view path);

// The path made full as the file functions would ('.' and '..' steps worked out, relative to the
// current folder); the path as given when that fails.
std::wstring FullPath(const std::wstring& path);

}  // namespace nivaro::win32
