#include "ui/win32/items_checklist.h"

#include <commctrl.h>

#include <algorithm>

namespace nivaro::win32 {
namespace {

// State image 1 is the clear box, 2 the checked one; 0 is none, as on a heading.
constexpr UINT kNoBox = 0;
constexpr UINT kClearImage = 1;
constexpr UINT kCheckedImage = 2;

UINT CheckImage(UINT state)
{
    return (state & LVIS_STATEIMAGEMASK) >> 12;
}

void SetBox(HWND list, std::size_t row, UINT image)
{
    ListView_SetItemState(list, static_cast<int>(row), INDEXTOSTATEIMAGEMASK(image), LVIS_STATEIMAGEMASK);
}

}  // namespace

ItemsChecklist::ItemsChecklist(const OtherItemsRows& rows, const std::vector<bool>& checked, CellText cellText,
                               Checked onChecked)
    : rows_(rows), checked_(checked), cellText_(std::move(cellText)), onChecked_(std::move(onChecked))
{
}

void ItemsChecklist::Attach(HWND list, const Scale& scale)
{
    list_ = list;
    ::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
    for (const OtherItemsColumnLayout& column : kOtherItemsColumns) {
        std::wstring header(column.header);
        LVCOLUMNW lvColumn{};
        lvColumn.mask = LVCF_TEXT | LVCF_WIDTH;
        lvColumn.pszText = header.data();
        lvColumn.cx = scale.Pixels(column.width);
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, ColumnIndex(column.column), reinterpret_cast<LPARAM>(&lvColumn));
    }
    Arrange(scale);
    Fill();
}

void ItemsChecklist::Arrange(const Scale& scale)
{
    for (const OtherItemsColumnLayout& column : kOtherItemsColumns) {
        ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, ColumnIndex(column.column), scale.Pixels(column.width));
    }
    FontSpec bold = other_items_design::kFont;
    bold.bold = true;
    headingFont_ = scale.Font(bold);
}

void ItemsChecklist::Fill()
{
    filling_ = true;
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    const std::vector<OtherItemsRows::Row>& rows = rows_.Rows();
    ::SendMessageW(list_, LVM_SETITEMCOUNT, rows.size(), 0);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        // Every text is asked for when it is shown: a row costs one message to make.
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(row);
        item.pszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < static_cast<int>(kOtherItemsColumns.size()); ++column) {
            LVITEMW cell{};
            cell.iSubItem = column;
            cell.pszText = LPSTR_TEXTCALLBACKW;
            ::SendMessageW(list_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
        }
        // A new row comes with a clear box, whatever it asks for.
        if (rows[row].heading) {
            SetBox(list_, row, kNoBox);
        } else if (checked_[rows[row].index]) {
            SetBox(list_, row, kCheckedImage);
        }
    }
    if (!rows.empty()) {
        // The keyboard starts on the first row: Space checks it.
        const std::size_t first = rows.size() > 1 && rows[0].heading ? 1 : 0;
        ListView_SetItemState(list_, static_cast<int>(first), LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    }
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
    filling_ = false;
}

std::vector<std::size_t> ItemsChecklist::ItemsOnScreen() const
{
    std::vector<std::size_t> items;
    const auto top = static_cast<std::size_t>(std::max(0, ListView_GetTopIndex(list_)));
    // The row cut in half at the bottom is on screen too.
    const auto count = static_cast<std::size_t>(std::max(0, ListView_GetCountPerPage(list_))) + 1;
    for (std::size_t row = top; row < std::min(top + count, rows_.Rows().size()); ++row) {
        if (const std::optional<std::size_t> item = rows_.ItemAt(row)) {
            items.push_back(*item);
        }
    }
    return items;
}

void ItemsChecklist::Changed(std::size_t item) const
{
    const std::optional<std::size_t> row = rows_.RowOf(item);
    if (!row) {
        return;
    }
    ListView_RedrawItems(list_, static_cast<int>(*row), static_cast<int>(*row));
    // Screen readers, and anything else that watches, learn that the row says something new.
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, list_, OBJID_CLIENT, static_cast<LONG>(*row + 1));
}

void ItemsChecklist::GiveText(NMLVDISPINFOW& info) const
{
    if ((info.item.mask & LVIF_TEXT) == 0 || info.item.pszText == nullptr || info.item.cchTextMax <= 0 ||
        info.item.iItem < 0) {
        return;
    }
    const auto row = static_cast<std::size_t>(info.item.iItem);
    std::wstring text;
    if (const std::optional<std::size_t> item = rows_.ItemAt(row)) {
        const auto column = std::ranges::find_if(kOtherItemsColumns, [&](const OtherItemsColumnLayout& c) {
            return ColumnIndex(c.column) == info.item.iSubItem;
        });
        if (column != kOtherItemsColumns.end()) {
            text = cellText_(*item, column->column);
        }
    } else if (info.item.iSubItem == 0) {
        text = rows_.HeadingText(row);
    }
    ::lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
}

std::optional<LRESULT> ItemsChecklist::OnNotify(NMHDR& header)
{
    if (header.hwndFrom != list_) {
        return std::nullopt;
    }
    switch (header.code) {
    case LVN_GETDISPINFOW:
        GiveText(reinterpret_cast<NMLVDISPINFOW&>(header));
        return 0;
    case LVN_ITEMCHANGING: {
        // A heading has no box to check: Space or a click on it changes nothing.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const bool boxChange = (change.uChanged & LVIF_STATE) != 0 &&
                               CheckImage(change.uNewState) != CheckImage(change.uOldState);
        return !filling_ && boxChange && change.iItem >= 0 && !rows_.ItemAt(static_cast<std::size_t>(change.iItem))
                   ? TRUE
                   : FALSE;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (filling_ || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) {
            return 0;
        }
        const UINT before = CheckImage(change.uOldState);
        const UINT after = CheckImage(change.uNewState);
        const std::optional<std::size_t> item = rows_.ItemAt(static_cast<std::size_t>(change.iItem));
        if (item && before != after && (before == kClearImage || before == kCheckedImage) &&
            (after == kClearImage || after == kCheckedImage)) {
            onChecked_(*item, after == kCheckedImage);
        }
        return 0;
    }
    case LVN_GETINFOTIPW: {
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
        if (tip.iItem >= 0 && tip.cchTextMax > 0) {
            if (const std::optional<std::size_t> item = rows_.ItemAt(static_cast<std::size_t>(tip.iItem))) {
                ::lstrcpynW(tip.pszText, cellText_(*item, OtherItemsColumn::kDescription).c_str(), tip.cchTextMax);
            }
        }
        return 0;
    }
    case NM_CUSTOMDRAW: {
        // Headings in bold, so that the groups stand apart.
        auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && !rows_.ItemAt(draw.nmcd.dwItemSpec) && headingFont_) {
            ::SelectObject(draw.nmcd.hdc, headingFont_.get());
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return std::nullopt;
    }
}

}  // namespace nivaro::win32
