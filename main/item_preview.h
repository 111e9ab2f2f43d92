#pragma once
// The few lines that a cleaning item's tooltip shows: what a clean would remove now.

#include <cstddef>
#include <string>

#include "items/item_plan.h"

namespace nivaro {

// "3 to remove: a.txt, b.txt, c.txt" and, when some would stay, "1 to leave". At most `names`
// names are listed, then how many more there are.
std::wstring PreviewTip(const ItemPlan& plan, std::size_t names = 5);

}  // namespace nivaro
