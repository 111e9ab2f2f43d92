#pragma once
// The native build's paths are POSIX byte strings, read as UTF-8, while the program's text is
// std::wstring. The conversion is done here rather than through the global locale, whose
// character set is whatever the environment says. Bytes that are not UTF-8 travel as the lone
// surrogates U+DC80..U+DCFF, so that every name a directory holds comes back to the same bytes.

#include <cstddef>
#include <string>
#include <string_view>

namespace nivaro {

std::string ToNativePath(std::wstring_view path);
std::wstring FromNativePath(std::string_view bytes);

// The number of UTF-16 units the text takes, as the platform counts a path's length.
std::size_t Utf16Length(std::wstring_view text);

}  // namespace nivaro
