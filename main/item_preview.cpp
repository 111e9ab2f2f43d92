#include "main/item_preview.h"

namespace nivaro {

std::wstring PreviewTip(const ItemPlan& plan, std::size_t names)
{
    if (plan.problem) {
        return plan.problem->description;
    }
    std::wstring listed;
    std::size_t toRemove = 0;
    for (const PlannedTarget& target : plan.targets) {
        if (!target.remove) {
            continue;
        }
        if (toRemove < names) {
            listed += (toRemove == 0 ? L": " : L", ") + target.entry.name;
        }
        ++toRemove;
    }
    if (toRemove == 0) {
        return plan.targets.empty() ? L"Nothing to remove" : L"Nothing to remove; " + std::to_wstring(plan.targets.size()) + L" to leave";
    }
    std::wstring tip = std::to_wstring(toRemove) + L" to remove" + listed;
    if (toRemove > names) {
        tip += L" and " + std::to_wstring(toRemove - names) + L" more";
    }
    if (const std::size_t toLeave = plan.targets.size() - toRemove; toLeave > 0) {
        tip += L"\n" + std::to_wstring(toLeave) + L" to leave";
    }
    return tip;
}

}  // namespace nivaro
