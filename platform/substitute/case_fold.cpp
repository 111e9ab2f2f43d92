#include "platform/substitute/case_fold.h"

#include <locale.h>
#include <wctype.h>

namespace nivaro {
namespace {

// The platform upper-cases each UTF-16 unit by one table; the C library's Unicode table for
// towupper is the nearest thing here, and needs a UTF-8 locale of its own, not the global one.
locale_t UnicodeLocale()
{
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        return made != locale_t{} ? made : newlocale(LC_CTYPE_MASK, "C", locale_t{});
    }();
    return locale;
}

}  // namespace

std::wstring FoldCase(std::wstring_view text)
{
    std::wstring folded(text);
    const locale_t locale = UnicodeLocale();
    for (wchar_t& c : folded) {
        c = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), locale));
    }
    return folded;
}

}  // namespace nivaro
