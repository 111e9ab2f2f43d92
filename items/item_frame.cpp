#include "items/item_frame.h"

#include <utility>

namespace nivaro {

Result<> ItemFrame::SetTitle(std::wstring title)
{
    title_ = std::move(title);
    if (auto shown = ShowTitle(); !shown) {
        return shown;
    }
    site_.PropertyChanged(L"Title");
    return {};
}

ItemDefinition ItemFrame::BaseDefinition() const
{
    ItemDefinition definition;
    definition.title = title_;
    definition.keep = keep_;
    definition.keepByCookieHost = keepByCookieHost_;
    return definition;
}

void ItemFrame::InitTitle()
{
    title_.clear();
    (void)ShowTitle();  // a new item is still usable when its heading cannot be drawn
}

Result<> ItemFrame::ReadTitle(const PropertySet& set)
{
    auto title = set.ReadText(L"Title", L"");
    if (!title) {
        return std::unexpected(title.error());
    }
    title_ = std::move(*title);
    return {};
}

void ItemFrame::WriteTitle(PropertySet& set) const
{
    set.Write(L"Title", title_, std::wstring());
}

Result<> ItemFrame::ShowTitle() const
{
    return site_.SetTitleText(title_);
}

Result<> ItemFrame::SetStatus(std::wstring_view text) const
{
    return site_.SetStatusText(text);
}

Result<> ItemFrame::ResetBand() const
{
    return site_.SetBandFillStyle(band_fill::kSolid);
}

Result<> ItemFrame::SetDesignTimeText(std::wstring& field, std::wstring value, std::wstring_view propertyName)
{
    if (site_.IsRunning()) {
        return Fail(error_number::kSetNotSupportedAtRunTime,
                    L"'" + std::wstring(propertyName) + L"' property cannot be set at run time");
    }
    field = std::move(value);
    site_.PropertyChanged(propertyName);
    return {};
}

}  // namespace nivaro
