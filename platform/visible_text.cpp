#include "platform/visible_text.h"

#include <cstdint>

#include "platform/utf16.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

// Marks that steer the direction of the text after them, or break it into lines, while showing
// nothing themselves.
bool SteersOrBreaks(char32_t code)
{
    return code == 0x061C || code == 0x200E || code == 0x200F || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

bool IsControl(char32_t code)
{
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

template <class Text>
void AppendHex(Text& out, std::uint32_t value, int digits)
{
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(static_cast<typename Text::value_type>(kDigits[(value >> shift) & 0xF]));
    }
}

// Each code point of UTF-16 text in turn; a surrogate without its partner comes as itself.
template <class Visit>
void ForEachCodePoint(std::wstring_view text, Visit visit)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto code = static_cast<char32_t>(text[i]);
        if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
            code = FromSurrogates(code, static_cast<char32_t>(text[++i]));
        }
        visit(code);
    }
}

}  // namespace

std::wstring Visible(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t code) {
        if (IsControl(code)) {
            out += L"\\x";
            AppendHex(out, code, 2);
        } else if (IsSurrogate(code) || SteersOrBreaks(code)) {
            out += L"\\u";
            AppendHex(out, code, 4);
        } else {
            AppendCodePoint(out, code);
        }
    });
    return out;
}

std::string JsonString(std::wstring_view text)
{
    std::string out = "\"";
    out.reserve(text.size() + 2);
    ForEachCodePoint(text, [&](char32_t code) {
        switch (code) {
        case U'"':
            out += "\\\"";
            return;
        case U'\\':
            out += "\\\\";
            return;
        case U'\b':
            out += "\\b";
            return;
        case U'\f':
            out += "\\f";
            return;
        case U'\n':
            out += "\\n";
            return;
        case U'\r':
            out += "\\r";
            return;
        case U'\t':
            out += "\\t";
            return;
        default:
            break;
        }
        if (code < 0x20 || IsSurrogate(code) || code > 0x10FFFF) {
            out += "\\u";
            AppendHex(out, code > 0x10FFFF ? 0xFFFD : code, 4);
            return;
        }
        AppendUtf8(out, code);
    });
    out += '"';
    return out;
}

}  // namespace nivaro
