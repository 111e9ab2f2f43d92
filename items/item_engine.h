#pragma once
// The one engine every item runs through, whoever asks: the window, its tooltips, the second
// window and the command line. An item is planned from its definition and the plan carried out,
// so that what a preview shows is what any clean does.

#include "items/item_definition.h"
#include "items/item_plan.h"
#include "platform/run_pace.h"
#include "platform/services.h"

namespace nivaro {

// The plan's parts, one for each of the item's targets, each folder found and held (or refused
// with its problem); nothing is listed yet.
ItemPlan BeginPlan(const PlatformServices& services, const ItemDefinition& item);
// Lists every part that can run, each target decided now with kDecideEach.
void ListPlan(const PlatformServices& services, ItemPlan& plan, Foresight foresight, RunPace& pace);
// Both.
ItemPlan PlanItem(const PlatformServices& services, const ItemDefinition& item, Foresight foresight, RunPace& pace);

// Works through exactly the plan's targets, each decided as its turn comes, and marks what went
// and why the rest stayed; the number removed.
std::size_t CarryItem(const PlatformServices& services, ItemPlan& plan, RunPace& pace);

// Whether the item is to be shown: it has no detection, or one of its keys, files or folders exists.
// Only reads: a key in any hive (a machine's in both its views), a path with wildcards in any
// component, %ProgramFiles% in both Program Files folders.
bool IsDetected(const PlatformServices& services, const ItemDefinition& item);

}  // namespace nivaro
