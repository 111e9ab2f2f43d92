#pragma once
// Names compared as the system compares file, key and value names: ordinally, each UTF-16 unit
// taken through the system's upper-case table, as CompareStringOrdinal does with ignore-case.
// Only letters whose cases map to each other both ways are paired there: the Kelvin sign, the
// long s, the final sigma and the dotted capital I each stay apart from the ASCII or Greek letter
// they resemble, ß has no capital, and a character beyond U+FFFF (a surrogate pair) is never
// changed. Each backend gives the table: the system's own on Windows, the C library's Unicode
// tables cut to the same rule elsewhere.

#include <algorithm>
#include <string>
#include <string_view>

namespace nivaro {

// The unit as the system's upper-case table has it; a unit the table does not change comes back.
wchar_t UpcaseNameUnit(wchar_t unit);

// Two names alike but for case, as the system takes them.
inline bool SameName(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() &&
           std::ranges::equal(a, b, [](wchar_t x, wchar_t y) { return x == y || UpcaseNameUnit(x) == UpcaseNameUnit(y); });
}

// The name in the form every one of its case variants shares: for keys of maps and sets.
inline std::wstring UpcaseName(std::wstring_view name)
{
    std::wstring upper(name);
    std::ranges::transform(upper, upper.begin(), UpcaseNameUnit);
    return upper;
}

}  // namespace nivaro
