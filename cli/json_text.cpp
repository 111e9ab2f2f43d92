#include "cli/json_text.h"

#include "platform/utf16.h"
#include "platform/utf8.h"
#include "platform/visible_text.h"

namespace nivaro::cli {
namespace {

// The text an ExactText string was made from: UTF-8 in which a lone surrogate is encoded as any
// other code point, in three bytes starting with 0xED.
std::wstring FromExactUtf8(std::string_view bytes)
{
    std::wstring text;
    while (!bytes.empty()) {
        auto [length, code] = DecodeUtf8(bytes);
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
        if (length == 0 && bytes.size() >= 3 && byte(0) == 0xED && (byte(1) & 0xE0) == 0xA0 && (byte(2) & 0xC0) == 0x80) {
            length = 3;
            code = 0xD000 | (static_cast<char32_t>(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        } else if (length == 0) {
            length = 1;
            code = 0xFFFD;
        }
        if constexpr (sizeof(wchar_t) == 2) {
            PutUtf16(code, [&](char16_t unit) { text.push_back(static_cast<wchar_t>(unit)); });
        } else {
            text.push_back(static_cast<wchar_t>(code));
        }
        bytes.remove_prefix(length);
    }
    return text;
}

void Write(const Json& value, int depth, std::string& out)
{
    const std::string indent(static_cast<std::size_t>(depth + 1) * 2, ' ');
    const std::string closing(static_cast<std::size_t>(depth) * 2, ' ');
    switch (value.type()) {
    case Json::value_t::object: {
        if (value.empty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            out += (first ? "" : ",\n") + indent + JsonString(FromExactUtf8(key)) + ": ";
            Write(member, depth + 1, out);
            first = false;
        }
        out += "\n" + closing + "}";
        return;
    }
    case Json::value_t::array: {
        if (value.empty()) {
            out += "[]";
            return;
        }
        out += "[\n";
        bool first = true;
        for (const Json& element : value) {
            out += (first ? "" : ",\n") + indent;
            Write(element, depth + 1, out);
            first = false;
        }
        out += "\n" + closing + "]";
        return;
    }
    case Json::value_t::string:
        out += JsonString(FromExactUtf8(value.get_ref<const std::string&>()));
        return;
    default:
        out += value.dump();  // numbers, true, false, null
        return;
    }
}

}  // namespace

Json ExactText(std::wstring_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto code = static_cast<char32_t>(text[i]);
        if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
            code = FromSurrogates(code, static_cast<char32_t>(text[++i]));
        }
        AppendUtf8(bytes, code > 0x10FFFF ? 0xFFFD : code);
    }
    return Json(std::move(bytes));
}

std::string Dump(const Json& document)
{
    std::string out;
    Write(document, 0, out);
    return out;
}

}  // namespace nivaro::cli
