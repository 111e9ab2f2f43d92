#include "platform/substitute/native_path.h"

#include <cstdint>
#include <type_traits>

#include "platform/utf16.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;
constexpr char32_t kReplacement = 0xFFFD;

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
        if (IsHighSurrogate(code) || IsLowSurrogate(code) || code > 0x10FFFF) {
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
        const auto [length, code] = DecodeUtf8(bytes);
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
    for (wchar_t c : text) {
        PutUtf16(static_cast<char32_t>(c), [&](char16_t) { ++units; });
    }
    return units;
}

}  // namespace nivaro
