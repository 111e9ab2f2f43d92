#pragma once
// What assistive technology and the keyboard are told of the main window's controls: the names a
// screen reader reads, the access keys, and what a status line's change announces. Worked out
// from the layout table, so that the window and the tests agree on them.

#include <optional>
#include <string>
#include <string_view>

#include "main/item_layout.h"

namespace nivaro {

// An item's title, as its stored set gives it ("IE URL History"); empty for a control that is no
// item.
std::wstring_view ItemTitle(const ControlLayout& item);

// The item a check box chooses: the one whose name ends in the box's index. Nothing for a control
// that is no check box, or a box without its item.
const ControlLayout* ItemOfCheckBox(const ControlLayout& box);

// The name a screen reader reads for a control. The six check boxes all show "Clean"; each is
// named for the item it chooses ("Clean IE URL History"). Every other control is named by the text
// it shows.
std::wstring AccessibleName(const ControlLayout& control);

// The text a caption shows: the mark of its access key taken out ("&Clean" shows "Clean"), and
// "&&" shown as one "&".
std::wstring ShownText(std::wstring_view caption);

// The letter that, with Alt, presses a control: the one after a single "&", lower case. Nothing
// when the caption marks none.
std::optional<wchar_t> AccessKey(std::wstring_view caption);

// What a screen reader says when an item's status line changes: which item, then the line.
std::wstring StatusAnnouncement(std::wstring_view title, std::wstring_view status);

}  // namespace nivaro
