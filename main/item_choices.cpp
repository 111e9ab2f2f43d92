#include "main/item_choices.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>

#include "platform/utf8.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

// REG_DWORD data is little-endian on every platform the registry exists on.
std::array<std::byte, 4> DwordBytes(std::uint32_t value)
{
    return {std::byte(value & 0xFF), std::byte((value >> 8) & 0xFF), std::byte((value >> 16) & 0xFF),
            std::byte((value >> 24) & 0xFF)};
}

// Anything but a 4-byte DWORD is not a choice this program wrote, and counts as none.
std::optional<bool> StoredChoice(RegistryApi& registry, const RegistryKey& key, std::wstring_view name)
{
    std::array<std::byte, 4> data{};
    std::uint32_t type = reg_type::kNone;
    std::uint32_t size = static_cast<std::uint32_t>(data.size());
    if (registry.QueryValue(key, name, type, data, size) != reg_status::kSuccess || type != reg_type::kDword ||
        size != data.size()) {
        return std::nullopt;
    }
    return data != DwordBytes(0);
}

std::optional<bool> StoredChoice(RegistryApi& registry, std::wstring_view name)
{
    RegistryKey key;
    if (registry.OpenKey(kCurrentUser, kItemChoicesKey, KeyAccess::kQuery, key) != reg_status::kSuccess) {
        return std::nullopt;
    }
    return StoredChoice(registry, key, name);
}

}  // namespace

bool ItemChoices::IsChecked(const ItemDefinition& item) const
{
    return StoredChoice(registry_, FromUtf8(item.id)).value_or(item.onByDefault);
}

std::vector<bool> ItemChoices::AreChecked(std::span<const ItemDefinition> items) const
{
    std::map<std::string, bool> stored;
    RegistryKey key;
    if (registry_.OpenKey(kCurrentUser, kItemChoicesKey, KeyAccess::kQuery, key) == reg_status::kSuccess) {
        for (const std::wstring& name : EnumerateValueNames(registry_, key)) {
            if (const std::optional<bool> choice = StoredChoice(registry_, key, name)) {
                // Value names match without regard to case, as IsChecked's lookup matches them.
                std::string id = ToUtf8(name);
                std::ranges::transform(id, id.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
                stored.emplace(std::move(id), *choice);
            }
        }
    }
    std::vector<bool> checked;
    checked.reserve(items.size());
    for (const ItemDefinition& item : items) {
        const auto found = stored.find(item.id);
        checked.push_back(found != stored.end() ? found->second : item.onByDefault);
    }
    return checked;
}

bool ItemChoices::SetChecked(const ItemDefinition& item, bool checked)
{
    RegistryKey key;
    if (registry_.CreateKey(kCurrentUser, kItemChoicesKey, key) != reg_status::kSuccess) {
        return false;
    }
    return registry_.SetValue(key, FromUtf8(item.id), reg_type::kDword, DwordBytes(checked ? 1 : 0)) ==
           reg_status::kSuccess;
}

}  // namespace nivaro
