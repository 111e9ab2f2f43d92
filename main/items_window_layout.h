#pragma once
// The window of the other items as data: its appearance, its texts, its controls in tab order and
// the columns of its checklist. Places are in twips, as the main window's are.

#include <array>
#include <cstddef>
#include <string_view>

#include "main/control_ids.h"
#include "main/item_layout.h"
#include "platform/geometry.h"

namespace nivaro {

namespace other_items_design {
inline constexpr std::wstring_view kCaption = L"Nivaro: other items";
// The main window's system menu entry that opens this window.
inline constexpr std::wstring_view kMenuEntry = L"Other items...";
inline constexpr TwipSize kClientSize{12000, 7095};
inline constexpr Colour kBackground = form_design::kBackground;
inline constexpr FontSpec kFont = form_design::kFont;
// The box of targets is read-only, yet it is read: it keeps the colour of text to be read.
inline constexpr Colour kTargetsBackground = 0x00FFFFFF;
}  // namespace other_items_design

namespace other_items_text {
inline constexpr std::wstring_view kTargetsHint = L"Preview lists here what Clean would remove from the checked items.";
inline constexpr std::wstring_view kWorkingOut = L"Working out what would be removed...";
inline constexpr std::wstring_view kNothingChecked = L"No item is checked.";
inline constexpr std::wstring_view kNothingToRemove = L"Nothing to remove";
inline constexpr std::wstring_view kToRemove = L" to remove";
inline constexpr std::wstring_view kToLeave = L" to leave";
inline constexpr std::wstring_view kCannotRun = L"Cannot run: ";
inline constexpr std::wstring_view kCleaning = L"Cleaning...";
inline constexpr std::wstring_view kRemoved = L" removed";
inline constexpr std::wstring_view kStayed = L" stayed";
// Before each of an item's targets in the box, under the item's own line.
inline constexpr std::wstring_view kTargetIndent = L"    ";
// Clean asks the main window's question, and then tells the warnings of the items it cleans.
inline constexpr std::wstring_view kCleanQuestion = form_text::kCleanQuestion;
inline constexpr std::wstring_view kCleanTitle = form_text::kCleanTitle;
inline constexpr std::wstring_view kWarningsHeading = L"Their authors warn:";
}  // namespace other_items_text

enum class OtherItemsControlKind { kLabel, kChecklist, kTargets, kFilter, kButton };

struct OtherItemsControl {
    OtherItemsControlKind kind;
    TwipRect rect;
    std::wstring_view caption;  // labels and buttons, with the access key after '&'
    int controlId;
};

// In tab order. Each box follows the label that names it, for screen readers and for its access
// key.
inline constexpr std::array<OtherItemsControl, 9> kOtherItemsLayout = {{
    {OtherItemsControlKind::kLabel, {120, 75, 5000, 240}, L"&Items:", control_id::kOtherItemsListLabel},
    {OtherItemsControlKind::kChecklist, {120, 330, 11760, 2655}, {}, control_id::kOtherItemsList},
    {OtherItemsControlKind::kLabel, {120, 3060, 5000, 240}, L"&What a clean would remove:",
     control_id::kOtherItemsTargetsLabel},
    {OtherItemsControlKind::kTargets, {120, 3315, 11760, 3165}, {}, control_id::kOtherItemsTargets},
    {OtherItemsControlKind::kButton, {120, 6600, 1395, 375}, L"&Preview", control_id::kOtherItemsPreview},
    {OtherItemsControlKind::kLabel, {1635, 6660, 600, 255}, L"&Filter:", control_id::kOtherItemsFilterLabel},
    {OtherItemsControlKind::kFilter, {2250, 6600, 6645, 375}, {}, control_id::kOtherItemsFilter},
    {OtherItemsControlKind::kButton, {9015, 6600, 1395, 375}, L"&Clean", control_id::kOtherItemsClean},
    {OtherItemsControlKind::kButton, {10485, 6600, 1395, 375}, L"Cl&ose", control_id::kOtherItemsClose},
}};

// The checklist's columns, left to right; the item's check box sits in the first.
enum class OtherItemsColumn { kTitle, kGroup, kWouldRemove, kLastClean, kDescription };

struct OtherItemsColumnLayout {
    OtherItemsColumn column;
    std::wstring_view header;
    int width;  // twips
};

inline constexpr std::array<OtherItemsColumnLayout, 5> kOtherItemsColumns = {{
    {OtherItemsColumn::kTitle, L"Item", 2400},
    {OtherItemsColumn::kGroup, L"Group", 1050},
    {OtherItemsColumn::kWouldRemove, L"Would remove now", 2400},
    {OtherItemsColumn::kLastClean, L"Last clean", 1500},
    {OtherItemsColumn::kDescription, L"What it forgets", 4200},
}};

// The column's place in the table, which is its index in the list view.
constexpr int ColumnIndex(OtherItemsColumn column)
{
    for (std::size_t i = 0; i < kOtherItemsColumns.size(); ++i) {
        if (kOtherItemsColumns[i].column == column) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace nivaro
