#include "items/name_pattern.h"

#include <algorithm>

#include "platform/name_case.h"

namespace nivaro {
namespace {

bool SameLetter(wchar_t a, wchar_t b)
{
    return a == b || UpcaseNameUnit(a) == UpcaseNameUnit(b);
}

}  // namespace

bool SameIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    return SameName(a, b);
}

// Greedy with one step back to the last *: linear in the name for every pattern with stars.
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern)
{
    if (pattern == L"*.*") {
        return true;  // every name, with a dot or without, as Windows has always read it
    }
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starAt = std::wstring_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || SameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::wstring_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') {
        ++p;
    }
    return p == pattern.size();
}

bool MatchesAny(std::wstring_view name, std::span<const std::wstring> patterns)
{
    return std::ranges::any_of(patterns, [&](const std::wstring& pattern) { return MatchesPattern(name, pattern); });
}

}  // namespace nivaro
