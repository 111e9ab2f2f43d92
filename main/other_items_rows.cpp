#include "main/other_items_rows.h"

#include <algorithm>
#include <cwctype>

#include "items/name_pattern.h"

namespace nivaro {
namespace {

wchar_t Lower(wchar_t c)
{
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool Holds(std::wstring_view text, std::wstring_view part)
{
    return !std::ranges::search(text, part, {}, Lower, Lower).empty();
}

bool LessIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return std::ranges::lexicographical_compare(a, b, {}, Lower, Lower);
}

}  // namespace

OtherItemsRows::OtherItemsRows(const std::vector<ItemDefinition>& items) : items_(items)
{
    for (std::size_t item = 0; item < items.size(); ++item) {
        const auto group = std::ranges::find_if(groups_, [&](const Group& g) { return SameIgnoringCase(g.name, items[item].group); });
        if (group == groups_.end()) {
            groups_.push_back({items[item].group, {item}});
        } else {
            group->items.push_back(item);
        }
    }
    if (groups_.size() > 2) {
        std::stable_sort(groups_.begin() + 1, groups_.end(),
                         [](const Group& a, const Group& b) { return LessIgnoringCase(a.name, b.name); });
    }
    SetFilter({});
}

void OtherItemsRows::SetFilter(std::wstring_view text)
{
    rows_.clear();
    shownInGroup_.assign(groups_.size(), 0);
    rowOf_.assign(items_.size(), std::nullopt);
    for (std::size_t group = 0; group < groups_.size(); ++group) {
        for (const std::size_t item : groups_[group].items) {
            const ItemDefinition& definition = items_[item];
            if (!text.empty() && !Holds(definition.title, text) && !Holds(definition.group, text) &&
                !Holds(definition.description, text)) {
                continue;
            }
            if (shownInGroup_[group] == 0) {
                rows_.push_back({true, group});
            }
            ++shownInGroup_[group];
            rowOf_[item] = rows_.size();
            rows_.push_back({false, item});
        }
    }
}

std::optional<std::size_t> OtherItemsRows::ItemAt(std::size_t row) const
{
    if (row >= rows_.size() || rows_[row].heading) {
        return std::nullopt;
    }
    return rows_[row].index;
}

std::optional<std::size_t> OtherItemsRows::RowOf(std::size_t item) const
{
    return item < rowOf_.size() ? rowOf_[item] : std::nullopt;
}

std::wstring OtherItemsRows::HeadingText(std::size_t row) const
{
    if (row >= rows_.size() || !rows_[row].heading) {
        return {};
    }
    const std::size_t group = rows_[row].index;
    return groups_[group].name + L" (" + std::to_wstring(shownInGroup_[group]) + L")";
}

}  // namespace nivaro
