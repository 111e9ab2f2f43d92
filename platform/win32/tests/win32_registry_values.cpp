#include <windows.h>

#include <string>

#include "tests/support/registry_values.h"

namespace nivaro {

long DeleteKeyTree(RegistryApi&, RegistryRoot root, std::wstring_view path)
{
    // A path of nothing but separators names the root itself, which RegDeleteTreeW would empty.
    if (path.find_first_not_of(L'\\') == std::wstring_view::npos || path.find(L'\0') != std::wstring_view::npos) {
        return ERROR_ACCESS_DENIED;
    }
    return ::RegDeleteTreeW(reinterpret_cast<HKEY>(static_cast<std::intptr_t>(root)), std::wstring(path).c_str());
}

}  // namespace nivaro
