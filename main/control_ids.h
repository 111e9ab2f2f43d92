#pragma once
// Stable control IDs of the main window and of the elements inside each cleaning item, for the
// window code, UI automation and the window tests alike.

namespace nivaro::control_id {

inline constexpr int kMore = 1001;      // Command2
inline constexpr int kClean = 1002;     // Command1
inline constexpr int kCleanAll = 1003;  // cmdStart

// Check1(index) is kCheckBase + index.
inline constexpr int kCheckBase = 1100;
constexpr int Check(int index) { return kCheckBase + index; }

// A cleaning item is kItemBase + the row digit that ends its name.
inline constexpr int kItemBase = 1200;
constexpr int Item(int row) { return kItemBase + row; }

// The main window's system menu entry that opens the window of the other items. A system menu
// command is a multiple of 16 below 0xF000.
inline constexpr int kOtherItemsCommand = 0x0110;

// The text elements inside every cleaning item, children of the item's panel.
inline constexpr int kItemTitle = 101;          // lblTitle
inline constexpr int kItemStatusCaption = 102;  // Label1
inline constexpr int kItemStatus = 103;         // lblStatus

}  // namespace nivaro::control_id

// The window of the other items.
namespace nivaro::control_id {

inline constexpr int kOtherItemsList = 1301;     // the checklist
inline constexpr int kOtherItemsTargets = 1302;  // the box the preview lists the targets in
inline constexpr int kOtherItemsPreview = 1303;
inline constexpr int kOtherItemsClean = 1304;
inline constexpr int kOtherItemsClose = 1305;
inline constexpr int kOtherItemsFilter = 1306;       // the box that narrows the checklist
inline constexpr int kOtherItemsListLabel = 1307;    // the labels that name the three boxes
inline constexpr int kOtherItemsTargetsLabel = 1308;
inline constexpr int kOtherItemsFilterLabel = 1309;

}  // namespace nivaro::control_id
