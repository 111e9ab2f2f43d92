#pragma once
// The checklist of the window of the other items: a report list view whose rows are the rows
// model's, a heading above each group. Its texts are asked for as the list shows them, so that
// thousands of rows fill at once; its check boxes are the items' checked state.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "main/items_window_layout.h"
#include "main/other_items_rows.h"
#include "ui/win32/scale.h"

namespace nivaro::win32 {

class ItemsChecklist {
public:
    // The text of an item's cell, asked for when the list shows it.
    using CellText = std::function<std::wstring(std::size_t item, OtherItemsColumn column)>;
    // The user checked or cleared an item's box.
    using Checked = std::function<void(std::size_t item, bool checked)>;

    ItemsChecklist(const OtherItemsRows& rows, const std::vector<bool>& checked, CellText cellText, Checked onChecked);

    // Takes the list view made from the layout, gives it its columns and fills it.
    void Attach(HWND list, const Scale& scale);
    void Arrange(const Scale& scale);
    // Shows the rows model's rows again, after its filter changed.
    void Fill();

    // The items whose rows are on screen now, top to bottom.
    std::vector<std::size_t> ItemsOnScreen() const;
    // An item's cells say something new: its row is drawn again and screen readers are told.
    void Changed(std::size_t item) const;
    // The list view's notifications; nothing for one it leaves to the default.
    std::optional<LRESULT> OnNotify(NMHDR& header);

private:
    void GiveText(NMLVDISPINFOW& info) const;

    const OtherItemsRows& rows_;
    const std::vector<bool>& checked_;
    CellText cellText_;
    Checked onChecked_;
    HWND list_ = nullptr;
    UniqueFont headingFont_;
    bool filling_ = false;  // boxes set by the window, not by the user
};

}  // namespace nivaro::win32
