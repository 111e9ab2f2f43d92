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
            const bool high = unit >= 0xD800 && unit <= 0xDBFF;
            if (high && i + 3 < bytes.size()) {
                auto low = static_cast<char16_t>(std::to_integer<unsigned>(bytes[i + 2]) |
                                                 std::to_integer<unsigned>(bytes[i + 3]) << 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
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
    auto put = [&](std::uint32_t unit) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFF));
        bytes.push_back(static_cast<std::byte>((unit >> 8) & 0xFF));
    };
    for (wchar_t c : text) {
        auto code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF) {
            code -= 0x10000;
            put(0xD800 + (code >> 10));
            put(0xDC00 + (code & 0x3FF));
        } else {
            put(code);
        }
    }
    return bytes;
}

}  // namespace nivaro
