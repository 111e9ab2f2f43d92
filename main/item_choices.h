#pragma once
// Which of the other items the user wants cleaned, remembered between runs in the user's own
// hive: HKEY_CURRENT_USER\Software\Nivaro\Items holds a DWORD per item id, 1 checked and 0 clear.
// An item the user never changed follows its definition, so a changed default reaches everyone
// who left it alone.

#include <span>
#include <string_view>
#include <vector>

#include "items/item_definition.h"
#include "platform/registry.h"

namespace nivaro {

inline constexpr std::wstring_view kItemChoicesKey = L"Software\\Nivaro\\Items";

class ItemChoices {
public:
    explicit ItemChoices(RegistryApi& registry) : registry_(registry) {}

    // The user's choice for the item, or its definition's default. Reading changes nothing.
    bool IsChecked(const ItemDefinition& item) const;
    // The same for many items, in their order, reading the key once: a choice is stored only for
    // the items the user changed, however many items there are.
    std::vector<bool> AreChecked(std::span<const ItemDefinition> items) const;
    // Remembers the user's choice, creating the key on the first one; false when the registry
    // refused it.
    bool SetChecked(const ItemDefinition& item, bool checked);

private:
    RegistryApi& registry_;
};

}  // namespace nivaro
