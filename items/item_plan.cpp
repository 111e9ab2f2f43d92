#include "items/item_plan.h"

#include <algorithm>

namespace nivaro {

std::size_t ItemPlan::CountToRemove() const
{
    return static_cast<std::size_t>(std::ranges::count_if(targets, &PlannedTarget::remove));
}

std::size_t ItemPlan::CountRemoved() const
{
    return static_cast<std::size_t>(std::ranges::count_if(targets, &PlannedTarget::removed));
}

}  // namespace nivaro
