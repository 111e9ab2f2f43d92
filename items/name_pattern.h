#pragma once
// Names matched against the patterns users write: * for any run of characters, ? for one, and
// no regard to case, as Windows matches file names: letters compare through the system's own
// table (platform/name_case.h).

#include <span>
#include <string>
#include <string_view>

namespace nivaro {

// Two names alike but for case: SameName, under the name the command line and the plans know it by.
bool SameIgnoringCase(std::wstring_view a, std::wstring_view b);

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);
bool MatchesAny(std::wstring_view name, std::span<const std::wstring> patterns);

}  // namespace nivaro
