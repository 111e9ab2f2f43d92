#pragma once
// A folder's path and the name of an entry in it, for showing and for the tests: never to reach
// an entry by, which goes by the folder's handle and the entry's exact name.

#include <string>
#include <string_view>

namespace nivaro {

// One separator between the two; none is added after a folder whose path ends in one (a root, or
// a folder written so). '/' counts as one wherever the separator is '\\', as Windows takes it.
inline std::wstring JoinPath(std::wstring_view folder, std::wstring_view name, wchar_t separator)
{
    std::wstring joined(folder);
    if (!joined.empty() && !joined.ends_with(separator) && !joined.ends_with(L'/')) {
        joined.push_back(separator);
    }
    joined.append(name);
    return joined;
}

}  // namespace nivaro
