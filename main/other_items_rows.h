#pragma once
// The rows of the window of the other items: the items grouped by their group, each group under
// a heading row, narrowed to those a filter finds. The first group (the program's own Windows
// items) stays first; the others follow by name. Items are numbered as the window was given
// them; rows are what the list shows now.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_definition.h"

namespace nivaro {

class OtherItemsRows {
public:
    struct Row {
        bool heading = false;
        std::size_t index = 0;  // the group's, for a heading; else the item's
    };

    explicit OtherItemsRows(const std::vector<ItemDefinition>& items);

    // Shows the items whose title, group or description holds the text, without regard to case;
    // every item for none.
    void SetFilter(std::wstring_view text);

    const std::vector<Row>& Rows() const { return rows_; }
    std::optional<std::size_t> ItemAt(std::size_t row) const;
    std::optional<std::size_t> RowOf(std::size_t item) const;
    // "Games (12)": the group's name and how many of its items are shown.
    std::wstring HeadingText(std::size_t row) const;

private:
    struct Group {
        std::wstring name;
        std::vector<std::size_t> items;
    };

    const std::vector<ItemDefinition>& items_;
    std::vector<Group> groups_;
    std::vector<Row> rows_;
    std::vector<std::size_t> shownInGroup_;         // by group
    std::vector<std::optional<std::size_t>> rowOf_;  // by item
};

}  // namespace nivaro
