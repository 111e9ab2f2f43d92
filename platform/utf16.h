#pragma once
// Registry string data is UTF-16 in little-endian byte order on every platform; the program's
// text is std::wstring, whose unit is 16 bits on Windows and 32 bits elsewhere.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nivaro {

// A code point past U+FFFF as its surrogate pair: `put` takes the high unit, then the low one. A
// code point up to U+FFFF is its own unit.
template <class Put>
void PutUtf16(char32_t code, Put put)
{
    if (code > 0xFFFF) {
        code -= 0x10000;
        put(static_cast<char16_t>(0xD800 + (code >> 10)));
        put(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
        put(static_cast<char16_t>(code));
    }
}

constexpr bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t unit)
{
    return IsHighSurrogate(unit) || IsLowSurrogate(unit);
}
// The code point of a surrogate pair, a high unit then a low one.
constexpr char32_t FromSurrogates(char32_t high, char32_t low)
{
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Appends a code point to the program's text: as its surrogate pair where a wchar_t is 16 bits.
inline void AppendCodePoint(std::wstring& out, char32_t code)
{
    if constexpr (sizeof(wchar_t) == 2) {
        PutUtf16(code, [&](char16_t unit) { out.push_back(static_cast<wchar_t>(unit)); });
    } else {
        out.push_back(static_cast<wchar_t>(code));
    }
}

// Decodes whole UTF-16 units; a trailing odd byte is dropped, unpaired surrogates are kept as they are.
std::wstring DecodeUtf16(std::span<const std::byte> bytes);
// Encodes the text, without adding a terminating NUL.
std::vector<std::byte> EncodeUtf16(std::wstring_view text);

}  // namespace nivaro
