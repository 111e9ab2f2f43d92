#pragma once
// The registry targets' work: list the named values of a key (or of each of its subkeys, or one
// value), and delete them, through each key opened as itself.

#include "items/item_plan.h"
#include "platform/registry.h"
#include "platform/run_pace.h"

namespace nivaro {

// Adds the part's values to the plan, each decided: a key that is not there holds nothing to
// remove; a key that is a link is the part's problem; a key that refuses deletes keeps every value,
// each with its reason; a value the keep-list names stays.
void ListRegistry(RegistryApi& registry, ItemPlan& plan, std::size_t part, RunPace& pace);

// Deletes exactly the plan's values of every registry part, last to first within a key, each by
// its exact name; the number deleted.
std::size_t CarryRegistry(RegistryApi& registry, ItemPlan& plan, RunPace& pace);

}  // namespace nivaro
