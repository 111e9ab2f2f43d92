#include "main/window_access.h"

#include <algorithm>
#include <cwctype>

namespace nivaro {

std::wstring_view ItemTitle(const ControlLayout& item)
{
    for (const StoredProperty& property : item.stored) {
        if (property.name == L"Title") {
            if (const auto* title = std::get_if<std::wstring_view>(&property.value)) {
                return *title;
            }
        }
    }
    return {};
}

const ControlLayout* ItemOfCheckBox(const ControlLayout& box)
{
    if (box.kind != ControlKind::kCheckBox) {
        return nullptr;
    }
    const auto item = std::ranges::find_if(
        kItemLayout, [&](const ControlLayout& control) { return control.IsItem() && RowDigit(control.name) == box.index; });
    return item == kItemLayout.end() ? nullptr : &*item;
}

std::wstring AccessibleName(const ControlLayout& control)
{
    if (control.IsItem()) {
        return std::wstring(ItemTitle(control));
    }
    std::wstring name = ShownText(control.caption);
    if (const ControlLayout* item = ItemOfCheckBox(control)) {
        name += L" " + std::wstring(ItemTitle(*item));
    }
    return name;
}

std::wstring ShownText(std::wstring_view caption)
{
    std::wstring shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) {
            ++i;  // the mark goes; of "&&" one "&" stays
        }
        shown.push_back(caption[i]);
    }
    return shown;
}

std::optional<wchar_t> AccessKey(std::wstring_view caption)
{
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') {
            continue;
        }
        if (caption[i + 1] != L'&') {
            return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(caption[i + 1])));
        }
        ++i;  // "&&" is a shown "&"
    }
    return std::nullopt;
}

std::wstring StatusAnnouncement(std::wstring_view title, std::wstring_view status)
{
    return std::wstring(title) + L": " + std::wstring(status);
}

}  // namespace nivaro
