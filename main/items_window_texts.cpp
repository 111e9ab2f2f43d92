#include "main/items_window_texts.h"

#include "main/items_window_layout.h"
#include "platform/visible_text.h"

namespace nivaro {

std::wstring WouldRemoveText(const PreviewWorker::Outcome& outcome, const CountFormat& count)
{
    using namespace other_items_text;
    if (outcome.cannotRun) {
        return std::wstring(kCannotRun) + outcome.tip;
    }
    if (outcome.toRemove == 0) {
        std::wstring text(kNothingToRemove);
        if (outcome.toLeave > 0) {
            text += L"; " + count(outcome.toLeave) + std::wstring(kToLeave);
        }
        return text;
    }
    std::wstring text = count(outcome.toRemove) + std::wstring(kToRemove);
    if (outcome.toLeave > 0) {
        text += L", " + count(outcome.toLeave) + std::wstring(kToLeave);
    }
    return text;
}

std::wstring CleanedText(const ItemPlan& plan, std::size_t removed, const CountFormat& count)
{
    using namespace other_items_text;
    if (plan.problem && plan.targets.empty()) {
        return std::wstring(kCannotRun) + Visible(plan.problem->description);
    }
    std::wstring text = count(removed) + std::wstring(kRemoved);
    if (const std::size_t stayed = plan.targets.size() - removed; stayed > 0) {
        text += L", " + count(stayed) + std::wstring(kStayed);
    }
    if (plan.problem) {
        text += L"; " + Visible(plan.problem->description);
    }
    return text;
}

std::wstring CleanQuestion(const std::vector<const ItemDefinition*>& items)
{
    using namespace other_items_text;
    std::wstring question(kCleanQuestion);
    bool warned = false;
    for (const ItemDefinition* item : items) {
        if (item->warning.empty()) {
            continue;
        }
        if (!warned) {
            question += L"\n\n" + std::wstring(kWarningsHeading);
            warned = true;
        }
        question += L"\n" + Visible(item->title) + L": " + Visible(item->warning);
    }
    return question;
}

}  // namespace nivaro
