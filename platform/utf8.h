#pragma once
// UTF-8 for text that leaves the program: console output, JSON, native file names.

#include <string>
#include <string_view>

namespace nivaro {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);

}  // namespace nivaro
