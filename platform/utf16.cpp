#include "platform/utf16.h"

#include <cstdint>

namespace nivaro {

std::wstring DecodeUtf16(std::span<const std::byte> bytes)
{
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto unit = static_cast<char16_t>(std::to_integer<unsigned>(bytes[i]) | std::to_integer<unsigned>(bytes[i + 1]) << 8);
        if constexpr (sizeof(wchar_t) == 2) {
            text.push_back(static_cast<wchar_t>(unit));
        } else {
            if (IsHighSurrogate(unit) && i + 3 < bytes.size()) {
                auto low = static_cast<char16_t>(std::to_integer<unsigned>(bytes[i + 2]) |
                                                 std::to_integer<unsigned>(bytes[i + 3]) << 8);
                if (IsLowSurrogate(low)) {
                    text.push_back(static_cast<wchar_t>(FromSurrogates(unit, low)));
                    i += 2;
                    continue;
                }
            }
            text.push_back(static_cast<wchar_t>(unit));
        }
    }
    return text;
}

std::vector<std::byte> EncodeUtf16(std::wstring_view text)
{
    std::vector<std::byte> bytes;
    bytes.reserve(text.size() * 2);
    for (wchar_t c : text) {
        PutUtf16(static_cast<char32_t>(c), [&](char16_t unit) {
            bytes.push_back(static_cast<std::byte>(unit & 0xFF));
            bytes.push_back(static_cast<std::byte>(unit >> 8));
        });
    }
    return bytes;
}

}  // namespace nivaro
