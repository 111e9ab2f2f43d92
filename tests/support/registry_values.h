#pragma once
// Reading and removing keys for the tests: what a key's named values are now, and a whole key
// gone with everything under it. The program itself never deletes a key.

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "registry/mod_reg.h"

namespace nivaro {

// The names of the key's named values now; the registry's answer when the key cannot be opened.
inline std::expected<std::vector<std::wstring>, long> ListValueNames(RegistryApi& registry, RegistryRoot root,
                                                                     std::wstring_view path)
{
    RegistryKey key;
    if (const long status = registry.OpenKey(root, path, KeyAccess::kQuery, key); status != reg_status::kSuccess) {
        return std::unexpected(status);
    }
    return EnumerateValueNames(registry, key);
}

// Removes a key with all its subkeys and values; never a root, and never through a link in it:
// remove links first, as links.
long DeleteKeyTree(RegistryApi& registry, RegistryRoot root, std::wstring_view path);

}  // namespace nivaro
