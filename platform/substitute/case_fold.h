#pragma once
// Names compared without regard to case, as the platform's registry and file system compare them.

#include <string>
#include <string_view>

namespace nivaro {

std::wstring FoldCase(std::wstring_view text);

}  // namespace nivaro
