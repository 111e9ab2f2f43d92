#include "items/item_plan.h"

#include <algorithm>

namespace nivaro {

std::size_t ItemPlan::CountToRemove() const
{
    return static_cast<std::size_t>(std::ranges::count_if(targets, &PlannedTarget::remove));
}

}  // namespace nivaro
