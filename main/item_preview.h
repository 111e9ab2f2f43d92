#pragma once
// The few lines that a cleaning item's tooltip shows: what a clean would remove now.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "items/item_plan.h"
#include "main/count_text.h"

namespace nivaro {

// "3 to remove: a.txt, b.txt, c.txt" and, when some would stay, "1 to leave". At most `names`
// names are listed, then how many more there are.
std::wstring PreviewTip(const ItemPlan& plan, const CountFormat& count, std::size_t names = 5);
std::wstring PreviewTip(const ItemPlan& plan);

// The deepest key below which every registry target of the plan lies, from its root: a value is
// named relative to it, so that an item of one key names its values alone and one of several keys
// says which. Nothing when the targets are in different roots.
std::optional<std::pair<RegistryRoot, std::wstring>> ItemKey(const ItemPlan& plan);

// A registry target as a report names it: its value, with the keys that lead to it from the
// item's key in front when the item has more than one; a key to remove by its path below the
// item's key.
struct ValueNames {
    std::wstring relative;  // "Recent\\failed_count", or the value's name alone
    // The key it is in, from its root: "HKCU\\Software\\App\\Recent"; a key to remove is itself.
    std::wstring key;
};

// `target` is one of the plan's registry targets; `itemKey` the plan's ItemKey.
ValueNames NameValue(const ItemPlan& plan, const std::optional<std::pair<RegistryRoot, std::wstring>>& itemKey,
                     const PlannedTarget& target);

// Every target of the plan as a line: "remove  name", or "leave  name  [reason]"; first the
// problem, when a part of the item cannot run. A folder's entry is named by its path, a value of
// the registry as NameValue names it.
std::vector<std::wstring> PreviewLines(const ItemPlan& plan);

// What a tip says while its preview is being worked out, with how many entries it has seen.
std::wstring CountingTip(std::uint64_t seen, const CountFormat& count);

}  // namespace nivaro
