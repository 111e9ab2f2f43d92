#pragma once
// The cleaning item widget's design, shared by both kinds: its child elements and their places,
// its colours, fonts and the texts its status line shows.

#include <array>
#include <string>
#include <string_view>

#include "platform/geometry.h"

namespace nivaro {

enum class ItemKind { kRegistryList, kFolder };

enum class ItemElement {
    kSeparator,      // Picture1: the blue gradient line
    kIcon,           // Image1
    kTitle,          // lblTitle, in front of the band
    kBand,           // Shape1, the title band
    kStatusCaption,  // Label1, "Status:"
    kStatus,         // lblStatus
};

struct ElementPlace {
    ItemElement element;
    TwipRect registryList;
    TwipRect folder;

    constexpr const TwipRect& For(ItemKind kind) const { return kind == ItemKind::kRegistryList ? registryList : folder; }
};

// Positions relative to the item's top left corner; an item placed larger keeps them.
inline constexpr std::array kItemElements = {
    ElementPlace{ItemElement::kSeparator, {960, 840, 3840, 20}, {960, 780, 3840, 20}},
    ElementPlace{ItemElement::kIcon, {4650, 150, 480, 480}, {4680, 90, 480, 480}},
    ElementPlace{ItemElement::kTitle, {1890, 300, 585, 195}, {1920, 210, 585, 195}},
    ElementPlace{ItemElement::kBand, {30, 240, 4515, 285}, {30, 150, 4515, 285}},
    ElementPlace{ItemElement::kStatusCaption, {0, 600, 690, 210}, {0, 540, 690, 210}},
    ElementPlace{ItemElement::kStatus, {540, 600, 4650, 195}, {540, 540, 4650, 195}},
};

constexpr const TwipRect& ElementRect(ItemElement element, ItemKind kind)
{
    for (const ElementPlace& place : kItemElements) {
        if (place.element == element) {
            return place.For(kind);
        }
    }
    return kItemElements.front().For(kind);  // unreachable: every element has a place
}

inline constexpr TwipSize kRegistryListDesignSize{5220, 900};
inline constexpr TwipSize kFolderDesignSize{5265, 825};

inline constexpr Colour kItemBackground = 0x00FFFFFF;
inline constexpr Colour kBandColour = 0x00FF8080;  // light blue
inline constexpr int kBandShape = 4;               // a rounded rectangle
inline constexpr FontSpec kTitleFont{L"MS Sans Serif", 825, true};
inline constexpr FontSpec kStatusFont{L"Verdana", 900, false};

namespace item_text {
inline constexpr std::wstring_view kStatusCaption = L"Status:";
inline constexpr std::wstring_view kNotComplete = L"Not Complete";
inline constexpr std::wstring_view kRemoving = L"Remove";
inline constexpr std::wstring_view kFolderMissing = L"Cannot find folder!";
inline constexpr std::wstring_view kFolderProtected = L"Protected folder: not cleaned";
inline constexpr std::wstring_view kKeyIsLink = L"Key is a link: not cleaned";
inline constexpr std::wstring_view kCountSuffix = L" Items clean...";
}  // namespace item_text

// "12 Items clean...": signed decimal digits, no grouping, then the suffix.
inline std::wstring CountText(long long count)
{
    return std::to_wstring(count).append(item_text::kCountSuffix);
}

}  // namespace nivaro
