#include "main/item_preview.h"

namespace nivaro {

std::wstring PreviewTip(const ItemPlan& plan, const CountFormat& count, std::size_t names)
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
            listed += (toRemove == 0 ? L": " : L", ") + target.Label();
        }
        ++toRemove;
    }
    const std::size_t toLeave = plan.targets.size() - toRemove;
    if (toRemove == 0) {
        return CountsText(0, toLeave, CountStage::kPreview, count, ZeroCounts::kLeftOut);
    }
    // The names follow the count they belong to, and what would stay goes on a line of its own.
    std::wstring tip = RemoveCount(toRemove, CountStage::kPreview, count) + listed;
    if (toRemove > names) {
        tip += L" and " + count(toRemove - names) + L" more";
    }
    if (toLeave > 0) {
        tip += L"\n" + LeaveCount(toLeave, CountStage::kPreview, count);
    }
    return tip;
}

std::wstring PreviewTip(const ItemPlan& plan)
{
    return PreviewTip(plan, PlainCount);
}

std::vector<std::wstring> PreviewLines(const ItemPlan& plan)
{
    std::vector<std::wstring> lines;
    for (const PlanPart& part : plan.parts) {
        if (part.problem) {
            lines.push_back(L"cannot run: " + part.problem->description);
        }
    }
    for (const PlannedTarget& target : plan.targets) {
        const std::wstring name = target.entry.path.empty() ? target.Label() : target.entry.path;
        lines.push_back(target.remove ? L"remove  " + name
                                      : L"leave   " + name + L"  [" + std::wstring(LeaveReasonText(target.reason)) + L"]");
    }
    return lines;
}

std::wstring CountingTip(std::uint64_t seen, const CountFormat& count)
{
    return seen == 0 ? L"Counting..." : L"Counting... " + count(seen) + L" so far";
}

}  // namespace nivaro
