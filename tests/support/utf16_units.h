#pragma once
// Text from UTF-16 units, as names come from the system, so that a lone surrogate is the same
// text whatever the width of wchar_t.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/utf16.h"

namespace nivaro {

inline std::wstring Units(std::initializer_list<char16_t> units)
{
    std::vector<std::byte> bytes;
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFF));
        bytes.push_back(static_cast<std::byte>(unit >> 8));
    }
    return DecodeUtf16(bytes);
}

}  // namespace nivaro
