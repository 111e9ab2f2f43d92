// The one wording of counts that the tooltips, the command line and the other items' window share.

#include "main/count_text.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

TEST(CountsText, SaysEachCountInItsStageAndLeavesOutNoneOnlyWhenAsked)
{
    // Grouped as a locale would, to show that every count goes through the format.
    const CountFormat grouped = [](std::uint64_t n) { return n == 1234 ? std::wstring(L"1,234") : std::to_wstring(n); };
    struct Case {
        std::uint64_t remove;
        std::uint64_t leave;
        CountStage stage;
        ZeroCounts zeros;
        std::wstring text;
    };
    const Case cases[] = {
        {1234, 1, CountStage::kPreview, ZeroCounts::kSaid, L"1,234 to remove, 1 to leave"},
        {0, 0, CountStage::kPreview, ZeroCounts::kSaid, L"0 to remove, 0 to leave"},
        {2, 1234, CountStage::kClean, ZeroCounts::kSaid, L"2 removed, 1,234 stayed"},
        {0, 0, CountStage::kClean, ZeroCounts::kSaid, L"0 removed, 0 stayed"},
        {0, 0, CountStage::kPreview, ZeroCounts::kLeftOut, L"Nothing to remove"},
        {0, 3, CountStage::kPreview, ZeroCounts::kLeftOut, L"Nothing to remove; 3 to leave"},
        {1234, 0, CountStage::kPreview, ZeroCounts::kLeftOut, L"1,234 to remove"},
        {2, 3, CountStage::kPreview, ZeroCounts::kLeftOut, L"2 to remove, 3 to leave"},
        {0, 0, CountStage::kClean, ZeroCounts::kLeftOut, L"Nothing removed"},
        {0, 1, CountStage::kClean, ZeroCounts::kLeftOut, L"Nothing removed; 1 stayed"},
        {3, 0, CountStage::kClean, ZeroCounts::kLeftOut, L"3 removed"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountsText(c.remove, c.leave, c.stage, grouped, c.zeros), c.text);
    }
    EXPECT_EQ(RemoveCount(1234, CountStage::kClean, grouped), L"1,234 removed");
    EXPECT_EQ(LeaveCount(1234, CountStage::kPreview, grouped), L"1,234 to leave");
}

}  // namespace
}  // namespace nivaro
