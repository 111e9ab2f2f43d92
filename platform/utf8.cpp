#include "platform/utf8.h"

#include "platform/utf16.h"

#include <cstdint>

namespace nivaro {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

std::string ToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto code = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(code) && i + 1 < text.size()) {
            const auto low = static_cast<char32_t>(text[i + 1]);
            if (IsLowSurrogate(low)) {
                code = FromSurrogates(code, low);
                ++i;
            }
        }
        AppendUtf8(out, IsSurrogate(code) || code > 0x10FFFF ? kReplacement : code);
    }
    return out;
}

std::wstring FromUtf8(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto [length, code] = DecodeUtf8(text);
        AppendCodePoint(out, length == 0 ? kReplacement : code);
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::pair<std::size_t, char32_t> DecodeUtf8(std::string_view bytes)
{
    if (bytes.empty()) {
        return {0, 0};
    }
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) {
        return {1, lead};
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, smallest = 0x10000;
    } else {
        return {0, 0};
    }
    if (bytes.size() < length) {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) {
            return {0, 0};
        }
        code = code << 6 | (next & 0x3F);
    }
    if (code < smallest || IsSurrogate(code) || code > 0x10FFFF) {
        return {0, 0};
    }
    return {length, code};
}

}  // namespace nivaro
