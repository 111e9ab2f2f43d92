#pragma once
// The main window as data: its appearance, its texts and its controls in window order. The
// commands visit the controls in this order; keyboard Tab follows the tabIndex column.

#include <array>
#include <optional>
#include <string_view>
#include <variant>

#include "items/item_design.h"
#include "items/property_set.h"
#include "main/control_ids.h"
#include "nivaro_version.h"
#include "platform/geometry.h"

namespace nivaro {

namespace form_design {
// The product's name and its major and minor version.
inline constexpr std::wstring_view kCaption = L"Nivaro " NIVARO_PRODUCT_VERSION_WIDE;
inline constexpr std::wstring_view kApplicationTitle = L"Nivaro";
inline constexpr TwipSize kClientSize{6375, 6420};
inline constexpr Colour kBackground = 0x00FFFFFF;
inline constexpr FontSpec kFont{L"Verdana", 900, false};
inline constexpr std::wstring_view kWebPage = L"https://nivaro.org/";
}  // namespace form_design

namespace form_text {
inline constexpr std::wstring_view kCleanAllQuestion = L"Are you sure to clean all history?";
inline constexpr std::wstring_view kCleanAllTitle = L"Clean All";
inline constexpr std::wstring_view kCleanQuestion = L"This action is permanent! Are you sure to clean?";
inline constexpr std::wstring_view kCleanTitle = L"Confirm";
}  // namespace form_text

enum class ControlKind { kButton, kCheckBox, kRegistryListItem, kFolderItem };

inline constexpr int kNoIndex = -1;

// One entry of an item's stored property set.
struct StoredProperty {
    std::wstring_view name;
    std::variant<std::int32_t, std::wstring_view> value;
};

struct ControlLayout {
    std::wstring_view name;
    int index;  // the element of the Check1 array, or kNoIndex
    ControlKind kind;
    TwipRect rect;
    int tabIndex;
    std::wstring_view caption;  // buttons and checkboxes; "&" marks a button's access key (Alt+letter)
    bool checked;               // checkboxes
    std::array<StoredProperty, 2> stored;  // items: what their stored set holds besides the extents
    std::string_view id;                   // items: the short name that scripts use
    int controlId;

    constexpr bool IsItem() const { return kind == ControlKind::kRegistryListItem || kind == ControlKind::kFolderItem; }
};

inline constexpr std::array<ControlLayout, 15> kItemLayout = {{
    {L"Command2", kNoIndex, ControlKind::kButton, {120, 5880, 1665, 375}, 14, L"&More...", false, {}, {}, control_id::kMore},
    {L"Check1", 5, ControlKind::kCheckBox, {5370, 5100, 975, 255}, 13, L"Clean", true, {}, {}, control_id::Check(5)},
    {L"Check1", 4, ControlKind::kCheckBox, {5370, 4080, 975, 255}, 12, L"Clean", true, {}, {}, control_id::Check(4)},
    {L"Check1", 3, ControlKind::kCheckBox, {5370, 3120, 975, 255}, 11, L"Clean", true, {}, {}, control_id::Check(3)},
    {L"Check1", 2, ControlKind::kCheckBox, {5370, 2160, 975, 255}, 10, L"Clean", false, {}, {}, control_id::Check(2)},
    {L"Check1", 1, ControlKind::kCheckBox, {5400, 1260, 975, 255}, 9, L"Clean", true, {}, {}, control_id::Check(1)},
    {L"Check1", 0, ControlKind::kCheckBox, {5400, 360, 975, 255}, 8, L"Clean", true, {}, {}, control_id::Check(0)},
    {L"Command1", kNoIndex, ControlKind::kButton, {3300, 5880, 1395, 375}, 7, L"&Clean", false, {}, {}, control_id::kClean},
    {L"cmdStart", kNoIndex, ControlKind::kButton, {4770, 5880, 1395, 375}, 5, L"Clean &All", false, {}, {},
     control_id::kCleanAll},
    {L"NvFolder1", kNoIndex, ControlKind::kFolderItem, {60, 1020, 5295, 855}, 1, {}, false,
     {{{L"Folder", L"%History"}, {L"Title", L"History Folder"}}}, "history", control_id::Item(1)},
    {L"NvReg0", kNoIndex, ControlKind::kRegistryListItem, {60, 60, 5295, 915}, 0, {}, false,
     {{{L"RegKey", L"Software\\Microsoft\\Internet Explorer\\TypedURLs"}, {L"Title", L"IE URL History"}}},
     "typed-urls", control_id::Item(0)},
    {L"NvFolder2", kNoIndex, ControlKind::kFolderItem, {60, 1920, 5295, 855}, 2, {}, false,
     {{{L"Folder", L"%Cookies"}, {L"Title", L"Cookies"}}}, "cookies", control_id::Item(2)},
    {L"NvReg3", kNoIndex, ControlKind::kRegistryListItem, {60, 2820, 5235, 915}, 3, {}, false,
     {{{L"RegKey", L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs"},
       {L"Title", L"Document History"}}},
     "recent-docs", control_id::Item(3)},
    {L"NvReg5", kNoIndex, ControlKind::kRegistryListItem, {60, 4740, 5235, 915}, 4, {}, false,
     {{{L"RegKey", L"Software\\Kazaa\\Search"}, {L"Title", L"Search History"}}}, "search", control_id::Item(5)},
    {L"NvReg4", kNoIndex, ControlKind::kRegistryListItem, {60, 3780, 5295, 915}, 6, {}, false,
     {{{L"RegKey", L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List"},
       {L"Title", L"Paint History"}}},
     "paint", control_id::Item(4)},
}};

// The item's stored set as the window loads it: the table's entries plus the extents that the
// host keeps there, "_extentx" and "_extenty" in hundredths of a millimetre.
PropertySet StoredPropertySet(const ControlLayout& control);

// The row digit that ends an item's name and pairs it with its checkbox; none when the name does
// not end in a digit.
std::optional<int> RowDigit(std::wstring_view name);

ItemKind KindOf(const ControlLayout& control);

}  // namespace nivaro
