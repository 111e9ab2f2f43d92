#pragma once
// The registry list item's work, apart from its widget: list the named values of its key and
// delete them, through the key opened as itself.

#include <string_view>

#include "items/item_plan.h"
#include "platform/registry.h"
#include "platform/run_pace.h"

namespace nivaro {

// The key's named values. A key that is not there holds nothing to remove; a key that is a link
// is refused with a problem; a key that refuses deletes keeps every value, each with its reason.
ItemPlan PlanRegistryList(RegistryApi& registry, RegistryRoot root, std::wstring_view path, RunPace& pace);

// Deletes exactly the plan's values, last to first, each by its exact name; the number deleted.
std::size_t CarryRegistryList(RegistryApi& registry, RegistryRoot root, std::wstring_view path, ItemPlan& plan,
                              RunPace& pace);

}  // namespace nivaro
