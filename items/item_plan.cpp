#include "items/item_plan.h"

#include <algorithm>

namespace nivaro {

std::size_t ItemPlan::CountToRemove() const
{
    return static_cast<std::size_t>(std::ranges::count_if(targets, &PlannedTarget::remove));
}

bool ItemPlan::AnyPartRan() const
{
    return parts.empty() || std::ranges::any_of(parts, [](const PlanPart& part) { return !part.problem; });
}

}  // namespace nivaro
