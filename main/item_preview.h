#pragma once
// The few lines that a cleaning item's tooltip shows: what a clean would remove now.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "items/item_plan.h"
#include "main/count_text.h"

namespace nivaro {

// "3 to remove: a.txt, b.txt, c.txt" and, when some would stay, "1 to leave". At most `names`
// names are listed, then how many more there are.
std::wstring PreviewTip(const ItemPlan& plan, const CountFormat& count, std::size_t names = 5);
std::wstring PreviewTip(const ItemPlan& plan);

// Every target of the plan as a line: "remove  name", or "leave  name  [reason]"; first the
// problem, when a part of the item cannot run.
std::vector<std::wstring> PreviewLines(const ItemPlan& plan);

// What a tip says while its preview is being worked out, with how many entries it has seen.
std::wstring CountingTip(std::uint64_t seen, const CountFormat& count);

}  // namespace nivaro
