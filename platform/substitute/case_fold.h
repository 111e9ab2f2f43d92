#pragma once
// Names compared without regard to case, as the platform's registry and file system compare them.

#include <string>
#include <string_view>

namespace nivaro {

// One form for all the case variants of a name: each UTF-16 unit in lower case. Two names fold
// alike exactly when SameName (platform/name_case.h) takes them as one; folded names also sort
// as Wine's registry sorts value names (by lower-cased UTF-16 unit).
std::wstring FoldCase(std::wstring_view text);

}  // namespace nivaro
