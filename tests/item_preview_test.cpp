#include "main/item_preview.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

ItemPlan PlanOf(std::initializer_list<std::pair<const wchar_t*, bool>> targets)
{
    ItemPlan plan;
    for (const auto& [name, remove] : targets) {
        PlannedTarget& target = plan.targets.emplace_back();
        target.entry.name = name;
        target.remove = remove;
    }
    return plan;
}

TEST(PreviewTip, CountsWhatWouldGoAndNamesTheFirstFew)
{
    struct Case {
        ItemPlan plan;
        std::wstring tip;
    };
    Case cases[] = {
        {PlanOf({}), L"Nothing to remove"},
        {PlanOf({{L"sub", false}}), L"Nothing to remove; 1 to leave"},
        {PlanOf({{L"url1", true}, {L"url2", true}}), L"2 to remove: url1, url2"},
        {PlanOf({{L"a", true}, {L"sub", false}, {L"b", true}}), L"2 to remove: a, b\n1 to leave"},
        {PlanOf({{L"1", true}, {L"2", true}, {L"3", true}, {L"4", true}, {L"5", true}, {L"6", true}, {L"7", true}}),
         L"7 to remove: 1, 2, 3, 4, 5 and 2 more"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewTip(c.plan), c.tip);
    }

    ItemPlan missing;
    missing.problem = Error{3, L"Cannot find folder!"};
    EXPECT_EQ(PreviewTip(missing), L"Cannot find folder!");
}

}  // namespace
}  // namespace nivaro
