#include "main/item_layout.h"

#include <type_traits>
#include <vector>

namespace nivaro {

PropertySet StoredPropertySet(const ControlLayout& control)
{
    std::vector<PropertyEntry> entries;
    for (const StoredProperty& entry : control.stored) {
        if (entry.name.empty()) {
            continue;
        }
        entries.push_back({std::wstring(entry.name), std::visit(
                                                         [](auto v) -> PropertyValue {
                                                             if constexpr (std::is_same_v<decltype(v), std::wstring_view>) {
                                                                 return std::wstring(v);
                                                             } else {
                                                                 return v;
                                                             }
                                                         },
                                                         entry.value)});
    }
    entries.push_back({L"_extentx", TwipsToHundredthsMm(control.rect.width)});
    entries.push_back({L"_extenty", TwipsToHundredthsMm(control.rect.height)});
    return PropertySet(std::move(entries));
}

std::optional<int> RowDigit(std::wstring_view name)
{
    if (name.empty() || name.back() < L'0' || name.back() > L'9') {
        return std::nullopt;
    }
    return name.back() - L'0';
}

ItemKind KindOf(const ControlLayout& control)
{
    return control.kind == ControlKind::kFolderItem ? ItemKind::kFolder : ItemKind::kRegistryList;
}

}  // namespace nivaro
