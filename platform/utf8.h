#pragma once
// UTF-8 for text that leaves the program: console output, JSON, native file names.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace nivaro {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);

// The UTF-8 form of one code point, appended.
void AppendUtf8(std::string& out, char32_t code);
// The well-formed UTF-8 sequence at the start of `bytes`: its length and its code point. A length
// of 0 when the first byte starts none: overlong forms, encoded surrogates and code points past
// U+10FFFF are not UTF-8.
std::pair<std::size_t, char32_t> DecodeUtf8(std::string_view bytes);

}  // namespace nivaro
