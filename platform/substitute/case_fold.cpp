#include "platform/substitute/case_fold.h"

#include <locale.h>
#include <wctype.h>

namespace nivaro {
namespace {

// The C library's Unicode table for towlower needs a UTF-8 locale of its own, not the global one.
locale_t UnicodeLocale()
{
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        return made != locale_t{} ? made : newlocale(LC_CTYPE_MASK, "C", locale_t{});
    }();
    return locale;
}

// The platform's table pairs only letters that map to each other both ways: the Kelvin sign, the
// dotted capital I, the long s or the final sigma keep their own case class, although the
// Unicode tables send them to K, i, S or sigma. And it maps UTF-16 units, so a character beyond
// the 16-bit range, which is a surrogate pair there, is never folded.
wchar_t FoldUnit(wchar_t c, locale_t locale)
{
    if (static_cast<unsigned long>(c) > 0xFFFF) {
        return c;
    }
    const auto lower = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), locale));
    return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(lower), locale)) == c ? lower : c;
}

}  // namespace

std::wstring FoldCase(std::wstring_view text)
{
    std::wstring folded(text);
    const locale_t locale = UnicodeLocale();
    for (wchar_t& c : folded) {
        c = FoldUnit(c, locale);
    }
    return folded;
}

}  // namespace nivaro
