#pragma once
// %NAME% variables in a text, replaced as Windows expands environment variables: a name that has
// no value, and a lone %, stay as they are written.

#include <optional>
#include <string>
#include <string_view>

namespace nivaro {

// The text with each %NAME% replaced by what `value(NAME)` gives; where it gives nothing, the
// name stays, and its closing % may open the next name.
template <class Value>
std::wstring ReplaceVariables(std::wstring_view text, Value value)
{
    std::wstring out;
    while (!text.empty()) {
        const std::size_t open = text.find(L'%');
        const std::size_t close = open == std::wstring_view::npos ? open : text.find(L'%', open + 1);
        if (close == std::wstring_view::npos) {
            out.append(text);
            break;
        }
        out.append(text.substr(0, open));
        const std::wstring_view name = text.substr(open + 1, close - open - 1);
        const std::optional<std::wstring> replaced = name.empty() ? std::nullopt : value(name);
        if (!replaced) {
            out.append(text.substr(open, close - open));
            text.remove_prefix(close);
            continue;
        }
        out.append(*replaced);
        text.remove_prefix(close + 1);
    }
    return out;
}

}  // namespace nivaro
