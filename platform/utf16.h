#pragma once
// Registry string data is UTF-16 in little-endian byte order on every platform; the program's
// text is std::wstring, whose unit is 16 bits on Windows and 32 bits elsewhere.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nivaro {

// Decodes whole UTF-16 units; a trailing odd byte is dropped, unpaired surrogates are kept as they are.
std::wstring DecodeUtf16(std::span<const std::byte> bytes);
// Encodes the text, without adding a terminating NUL.
std::vector<std::byte> EncodeUtf16(std::wstring_view text);

}  // namespace nivaro
