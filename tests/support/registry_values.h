#pragma once
// Reading and removing keys for the tests: what a key's named values are now, and a whole key
// gone with everything under it. The program itself never deletes a key.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
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

// A value as the registry holds it: its type and its bytes.
struct StoredValue {
    std::uint32_t type = 0;
    std::vector<std::byte> data;
    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

// The value of this name as it is stored; nothing when it cannot be read (a name with a NUL
// cannot be, through the wide calls).
inline std::optional<StoredValue> ReadStoredValue(RegistryApi& registry, const RegistryKey& key, std::wstring_view name)
{
    StoredValue value;
    std::uint32_t size = 0;
    if (registry.QueryValue(key, name, value.type, {}, size) != reg_status::kSuccess) {
        return std::nullopt;
    }
    value.data.resize(size);
    if (size > 0 && registry.QueryValue(key, name, value.type, value.data, size) != reg_status::kSuccess) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

// The names of every value of the key, the unnamed default last: whether it is set is for the
// reader to find out.
inline std::vector<std::wstring> ValueNamesWithDefault(RegistryApi& registry, const RegistryKey& key)
{
    std::vector<std::wstring> names = EnumerateValueNames(registry, key);
    names.emplace_back();
    return names;
}

// Removes a key with all its subkeys and values; never a root, and never through a link in it:
// remove links first, as links.
long DeleteKeyTree(RegistryApi& registry, RegistryRoot root, std::wstring_view path);

}  // namespace nivaro
