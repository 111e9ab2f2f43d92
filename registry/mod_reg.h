#pragma once
// Free functions over the registry: list and delete a key's named values, delete one value, and
// read one value as text. Registry failures become neutral results: a count of 0, an empty
// list or an empty text.

#include <cstddef>
#include <expected>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/run_pace.h"

namespace nivaro {

// The names of every named value of an open key, exactly as the registry holds them (a name may
// hold a NUL), in enumeration order. The key's unnamed default value is not among them. A pace
// is asked between values and may stop the listing early.
std::vector<std::wstring> EnumerateValueNames(RegistryApi& registry, const RegistryKey& key, RunPace* pace = nullptr);

// The names of an open key's direct subkeys, in enumeration order.
std::vector<std::wstring> EnumerateSubkeyNames(RegistryApi& registry, const RegistryKey& key);

// Whether an open key is a registry link: opened as itself, a link holds where it leads.
bool IsLinkKey(RegistryApi& registry, const RegistryKey& key);

// The key a list item works on, opened as itself, never through a link of its own, and only when
// the kernel names it as its path does: a link on a key above it refuses it too.
struct ListKey {
    RegistryKey key;
    bool mayDelete = false;  // whether the key lets its values be deleted
};
struct ListKeyFailure {
    enum Kind { kMissing, kLink, kCannotOpen } kind;
    long status;  // the registry's answer
};
std::expected<ListKey, ListKeyFailure> OpenListKey(RegistryApi& registry, RegistryRoot root, std::wstring_view path);
// The same for the subkey of exactly this name of an open key, opened relative to it.
std::expected<ListKey, ListKeyFailure> OpenListSubkey(RegistryApi& registry, const RegistryKey& parent,
                                                      std::wstring_view name);

// Learns the registry's answer to the delete of names[index].
using ValueDeleteAnswer = std::function<void(std::size_t index, long status)>;

// Deletes the named values through an open key, last to first, and counts those actually deleted.
std::size_t DeleteNamedValues(RegistryApi& registry, const RegistryKey& key, std::span<const std::wstring> names,
                              const ValueDeleteAnswer& outcome = {}, RunPace* pace = nullptr);

// Deletes every named value of the key and returns how many went; 0 when the key cannot be
// opened, is a link, or refuses deletes.
std::size_t DeleteAllValues(RegistryApi& registry, RegistryRoot root, std::wstring_view path);

// Deletes one value; false when the key or the value is not there or the delete is refused.
bool DeleteRegValue(RegistryApi& registry, RegistryRoot root, std::wstring_view path, std::wstring_view name);

// A string value as its text (up to its first NUL, or all of it when it has none); a binary value
// of up to 4 bytes as a signed 32-bit integer in decimal; anything else as empty text.
std::wstring QueryValueText(RegistryApi& registry, const RegistryKey& key, std::wstring_view name);

// The key as people write it, "HKCU\Software\Kazaa\Search" for one under a predefined root.
std::wstring KeyDisplayName(RegistryRoot root, std::wstring_view path);

// QueryValueText of one value of a key path; empty text when the key cannot be opened.
std::wstring GetRegString(RegistryApi& registry, RegistryRoot root, std::wstring_view path, std::wstring_view name);

// A value as its type and, for the string types, its text up to its first NUL; nothing when the
// key or the value is not there.
struct TypedText {
    std::uint32_t type = reg_type::kNone;
    std::wstring text;
};
std::optional<TypedText> ReadTypedText(RegistryApi& registry, RegistryRoot root, std::wstring_view path,
                                       std::wstring_view name);
// The same, of an open key.
std::optional<TypedText> ReadTypedText(RegistryApi& registry, const RegistryKey& key, std::wstring_view name);

}  // namespace nivaro
