#include "platform/substitute/native_path.h"

#include <cstdint>
#include <type_traits>
#include <utility>

namespace nivaro {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;
constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of `bytes` and its code point; a
// length of 0 when the first byte starts no well-formed sequence.
std::pair<std::size_t, char32_t> DecodeOne(std::string_view bytes)
{
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
        if (!IsContinuation(next)) {
            return {0, 0};
        }
        code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, encoded surrogates and code points past Unicode's end are not UTF-8.
    if (code < smallest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        return {0, 0};
    }
    return {length, code};
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | code >> 18));
        out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

std::string ToNativePath(std::wstring_view path)
{
    std::string out;
    out.reserve(path.size());
    for (wchar_t unit : path) {
        auto code = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(unit));
        if (code >= kEscapeBase + 0x80 && code <= kEscapeBase + 0xFF) {
            out.push_back(static_cast<char>(code - kEscapeBase));
            continue;
        }
        if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

std::wstring FromNativePath(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto [length, code] = DecodeOne(bytes);
        if (length == 0) {
            out.push_back(static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
            continue;
        }
        out.push_back(static_cast<wchar_t>(code));
        bytes.remove_prefix(length);
    }
    return out;
}

std::size_t Utf16Length(std::wstring_view text)
{
    std::size_t units = 0;
    for (wchar_t unit : text) {
        units += static_cast<std::uint32_t>(unit) > 0xFFFF ? 2 : 1;
    }
    return units;
}

}  // namespace nivaro
