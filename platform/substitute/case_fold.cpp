#include "platform/substitute/case_fold.h"

#include <locale.h>
#include <wctype.h>

#include "platform/name_case.h"

namespace nivaro {
namespace {

// The C library's Unicode table for towupper needs a UTF-8 locale of its own, not the global one.
locale_t UnicodeLocale()
{
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        return made != locale_t{} ? made : newlocale(LC_CTYPE_MASK, "C", locale_t{});
    }();
    return locale;
}

bool InUnitRange(wint_t c)
{
    return c <= 0xFFFF;
}

}  // namespace

// The system's table pairs only letters that map to each other both ways, unit by unit: the
// Unicode tables send the Kelvin sign to k and the long s to S, whose own partners are K and s,
// so the system leaves both alone. Measured against Wine's table over every 16-bit unit, this
// rule gives the same answer for each.
wchar_t UpcaseNameUnit(wchar_t unit)
{
    const auto c = static_cast<wint_t>(unit);
    if (!InUnitRange(c)) {
        return unit;  // one unit here, a surrogate pair there: never changed
    }
    const locale_t locale = UnicodeLocale();
    const wint_t upper = towupper_l(c, locale);
    return upper != c && InUnitRange(upper) && towlower_l(upper, locale) == c ? static_cast<wchar_t>(upper) : unit;
}

std::wstring FoldCase(std::wstring_view text)
{
    std::wstring folded(text);
    const locale_t locale = UnicodeLocale();
    for (wchar_t& c : folded) {
        const wchar_t upper = UpcaseNameUnit(c);
        // The lower-case partner of the unit's upper case: the same for every case of a letter.
        const auto lower = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(upper), locale));
        c = UpcaseNameUnit(lower) == upper ? lower : upper;
    }
    return folded;
}

}  // namespace nivaro
