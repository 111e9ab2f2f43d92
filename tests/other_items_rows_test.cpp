// The rows of the window of the other items: grouped under headings, the program's own group first
// and the others by name, narrowed by the filter.

#include "main/other_items_rows.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

ItemDefinition Item(std::wstring title, std::wstring group, std::wstring description = {})
{
    return {.title = std::move(title), .group = std::move(group), .description = std::move(description)};
}

// Each row as the list shows it: a heading's text, or "  " and the item's title.
std::vector<std::wstring> Shown(const OtherItemsRows& rows, const std::vector<ItemDefinition>& items)
{
    std::vector<std::wstring> shown;
    for (std::size_t row = 0; row < rows.Rows().size(); ++row) {
        const std::optional<std::size_t> item = rows.ItemAt(row);
        shown.push_back(item ? L"  " + items[*item].title : rows.HeadingText(row));
        if (item) {
            EXPECT_EQ(rows.RowOf(*item), row);
        }
    }
    return shown;
}

TEST(OtherItemsRows, GroupTheItemsUnderHeadingsAndNarrowToWhatTheFilterFinds)
{
    const std::vector<ItemDefinition> items{
        Item(L"Run box history", L"Windows", L"The Run box forgets its commands."),
        Item(L"Jump lists", L"Windows"),
        Item(L"Zed Player", L"Multimedia", L"Forgets the songs played."),
        Item(L"Arc Cache", L"internet"),
        Item(L"Bee Browser", L"Internet"),
        Item(L"Fonts Cache", L"Applications"),
    };
    struct Case {
        const wchar_t* filter;
        std::vector<std::wstring> shown;
    };
    const Case cases[] = {
        {L"",
         {L"Windows (2)", L"  Run box history", L"  Jump lists", L"Applications (1)", L"  Fonts Cache", L"internet (2)",
          L"  Arc Cache", L"  Bee Browser", L"Multimedia (1)", L"  Zed Player"}},
        {L"CACHE", {L"Applications (1)", L"  Fonts Cache", L"internet (1)", L"  Arc Cache"}},
        {L"intern", {L"internet (2)", L"  Arc Cache", L"  Bee Browser"}},  // by its group
        {L"songs", {L"Multimedia (1)", L"  Zed Player"}},                 // by what it forgets
        {L"nothing like it", {}},
    };
    OtherItemsRows rows(items);
    for (const Case& c : cases) {
        rows.SetFilter(c.filter);
        EXPECT_EQ(Shown(rows, items), c.shown) << testing::PrintToString(c.filter);
    }
    rows.SetFilter(L"cache");
    EXPECT_EQ(rows.RowOf(1), std::nullopt) << "a row the filter hides";
    EXPECT_EQ(rows.ItemAt(0), std::nullopt) << "a heading is no item";
    EXPECT_EQ(rows.ItemAt(99), std::nullopt);
}

}  // namespace
}  // namespace nivaro
