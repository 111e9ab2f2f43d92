#include "main/item_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

namespace nivaro {
namespace {

std::vector<const ControlLayout*> Items()
{
    std::vector<const ControlLayout*> items;
    for (const ControlLayout& control : kItemLayout) {
        if (control.IsItem()) {
            items.push_back(&control);
        }
    }
    return items;
}

TEST(ItemLayout, VisitsItemsInWindowOrder)
{
    std::vector<std::wstring_view> titles;
    for (const ControlLayout* item : Items()) {
        titles.push_back(std::get<std::wstring_view>(item->stored[1].value));
    }
    EXPECT_EQ(titles, (std::vector<std::wstring_view>{L"History Folder", L"IE URL History", L"Cookies",
                                                       L"Document History", L"Search History", L"Paint History"}));
}

TEST(ItemLayout, EachItemPairsWithTheCheckboxOfItsRow)
{
    // Sorted by their place on screen, the items' digits count the rows from 0 at the top, and
    // each checkbox stands beside the item of its index.
    std::vector<const ControlLayout*> items = Items();
    std::ranges::sort(items, {}, [](const ControlLayout* c) { return c->rect.top; });
    for (std::size_t row = 0; row < items.size(); ++row) {
        ASSERT_EQ(RowDigit(items[row]->name), static_cast<int>(row)) << items[row]->name.data();
        auto box = std::ranges::find_if(kItemLayout, [&](const ControlLayout& c) {
            return c.kind == ControlKind::kCheckBox && c.index == static_cast<int>(row);
        });
        ASSERT_NE(box, kItemLayout.end());
        EXPECT_GT(box->rect.top, items[row]->rect.top);
        EXPECT_LT(box->rect.top, items[row]->rect.top + items[row]->rect.height);
        EXPECT_EQ(box->checked, row != 2) << "only Cookies starts clear";
        if (row > 0) {
            const TwipRect& above = items[row - 1]->rect;
            EXPECT_EQ(items[row]->rect.top - (above.top + above.height), 45);
        }
    }
}

TEST(ItemLayout, TabIndexesAndControlIdsAreUnique)
{
    std::set<int> tabs;
    std::set<int> ids;
    for (const ControlLayout& control : kItemLayout) {
        tabs.insert(control.tabIndex);
        ids.insert(control.controlId);
    }
    EXPECT_EQ(tabs.size(), kItemLayout.size());
    EXPECT_EQ(*tabs.begin(), 0);
    EXPECT_EQ(*tabs.rbegin(), static_cast<int>(kItemLayout.size()) - 1);
    EXPECT_EQ(ids.size(), kItemLayout.size());
}

TEST(ItemLayout, StoredSetsCarryTheExtentsInHundredthsOfAMillimetre)
{
    struct Case {
        std::wstring_view name;
        std::int32_t x, y;
    };
    const Case cases[] = {{L"NvFolder1", 9340, 1508}, {L"NvReg0", 9340, 1614}, {L"NvFolder2", 9340, 1508},
                          {L"NvReg3", 9234, 1614},    {L"NvReg5", 9234, 1614}, {L"NvReg4", 9340, 1614}};
    for (const Case& c : cases) {
        auto control = std::ranges::find(kItemLayout, c.name, &ControlLayout::name);
        ASSERT_NE(control, kItemLayout.end());
        const PropertySet set = StoredPropertySet(*control);
        EXPECT_EQ(set.Entries().size(), 4u);
        EXPECT_EQ(set.ReadInt(L"_extentx", 0), c.x) << c.name.data();
        EXPECT_EQ(set.ReadInt(L"_extenty", 0), c.y) << c.name.data();
        EXPECT_FALSE(set.Find(L"HKey")) << "registry items work under the default root";
    }
}

TEST(ItemLayout, RowDigitIsTheLastCharacterOnly)
{
    EXPECT_EQ(RowDigit(L"NvReg0"), 0);
    EXPECT_EQ(RowDigit(L"NvFolder12"), 2);
    EXPECT_EQ(RowDigit(L"NvReg"), std::nullopt);
    EXPECT_EQ(RowDigit(L""), std::nullopt);
}

}  // namespace
}  // namespace nivaro
