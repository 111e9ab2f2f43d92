#include "ui/win32/item_panel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "assets/resource_ids.h"
#include "main/control_ids.h"
#include "main/window_access.h"
#include "ui/win32/accessibility.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"NivaroCleaningItem";

struct TextElement {
    int id;
    ItemElement element;
    DWORD align;
    bool fitsText;  // the element sizes itself to its text
};

constexpr TextElement kTextElements[] = {
    {control_id::kItemTitle, ItemElement::kTitle, SS_CENTER, true},
    {control_id::kItemStatusCaption, ItemElement::kStatusCaption, SS_LEFT, true},
    {control_id::kItemStatus, ItemElement::kStatus, SS_CENTER, false},
};

std::wstring TextOf(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

}  // namespace

ItemPanel::ItemPanel(const ControlLayout& control, PanelHost& host, const Scale& scale)
    : control_(control), host_(host), kind_(KindOf(control)), scale_(scale),
      background_(::CreateSolidBrush(ToColorref(colours_.itemBackground)))
{
}

Result<std::unique_ptr<ItemPanel>> ItemPanel::Create(HWND parent, const ControlLayout& control, PanelHost& host,
                                                     const Scale& scale, ItemFonts fonts)
{
    if (RegisterWindowClass(kClassName) == 0) {
        return std::unexpected(LastError());
    }

    std::unique_ptr<ItemPanel> panel(new ItemPanel(control, host, scale));
    const RECT place = scale.Rect(control.rect);
    // Not WS_CLIPCHILDREN: the panel paints the band under its transparent text elements.
    const HWND hwnd = ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                        place.left, place.top, place.right - place.left, place.bottom - place.top,
                                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.controlId)),
                                        Instance(), panel.get());
    if (hwnd == nullptr) {
        return std::unexpected(LastError());
    }
    for (const TextElement& text : kTextElements) {
        const std::wstring_view initial = text.element == ItemElement::kStatusCaption ? item_text::kStatusCaption
                                          : text.element == ItemElement::kStatus      ? item_text::kNotComplete
                                                                                      : std::wstring_view();
        if (::CreateWindowExW(0, L"STATIC", std::wstring(initial).c_str(),
                              WS_CHILD | WS_VISIBLE | SS_NOPREFIX | text.align, 0, 0, 0, 0, hwnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(text.id)), Instance(), nullptr) == nullptr) {
            return std::unexpected(LastError());
        }
    }
    // The status line is read out whenever it changes, with the item it belongs to.
    const HWND status = panel->Element(control_id::kItemStatus);
    const HWND title = panel->Element(control_id::kItemTitle);
    NameForAssistiveTechnology(status, [title, status] { return StatusAnnouncement(TextOf(title), TextOf(status)); });
    MarkAsLiveRegion(status);
    panel->Arrange(scale, fonts);
    return panel;
}

void ItemPanel::Arrange(const Scale& scale, ItemFonts fonts)
{
    scale_ = scale;
    fonts_ = fonts;
    const RECT place = scale_.Rect(control_.rect);
    ::SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    for (const TextElement& text : kTextElements) {
        const HWND element = Element(text.id);
        const RECT r = ElementPixels(text.element);
        ::SendMessageW(element, WM_SETFONT, reinterpret_cast<WPARAM>(text.element == ItemElement::kTitle ? fonts_.title
                                                                                                         : fonts_.text),
                       FALSE);
        ::SetWindowPos(element, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FitTitleToText();
    const RECT status = ElementPixels(ItemElement::kStatusCaption);
    {
        // "Status:" sizes itself to its text as the title does.
        WindowDc dc(Element(control_id::kItemStatusCaption));
        SelectedObject font(dc.get(), fonts_.text);
        SIZE extent{};
        ::GetTextExtentPoint32W(dc.get(), item_text::kStatusCaption.data(),
                                static_cast<int>(item_text::kStatusCaption.size()), &extent);
        ::SetWindowPos(Element(control_id::kItemStatusCaption), nullptr, status.left, status.top, extent.cx, extent.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    const int iconSize = scale_.Pixels(ElementRect(ItemElement::kIcon, kind_).width);
    icon_.reset(static_cast<HICON>(::LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_ITEM), IMAGE_ICON, iconSize, iconSize,
                                                LR_DEFAULTCOLOR)));
    separator_.reset(static_cast<HBITMAP>(
        ::LoadImageW(Instance(), MAKEINTRESOURCEW(IDB_SEPARATOR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void ItemPanel::SetColours(const WindowColours& colours)
{
    colours_ = colours;
    background_.reset(::CreateSolidBrush(ToColorref(colours_.itemBackground)));
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void ItemPanel::FitTitleToText()
{
    const HWND title = Element(control_id::kItemTitle);
    const std::wstring text = TextOf(title);

    WindowDc dc(title);
    SelectedObject font(dc.get(), fonts_.title);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    if (extent.cy == 0) {
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc.get(), &metrics);
        extent.cy = metrics.tmHeight;
    }
    const RECT r = ElementPixels(ItemElement::kTitle);
    ::SetWindowPos(title, nullptr, r.left, r.top, extent.cx, extent.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

Result<> ItemPanel::SetTitleText(std::wstring_view text)
{
    const std::wstring title(text);
    const HWND element = Element(control_id::kItemTitle);
    RECT before{};
    ::GetWindowRect(element, &before);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&before), 2);
    if (!::SetWindowTextW(element, title.c_str())) {
        return std::unexpected(LastError());
    }
    // The panel carries the title too, so that assistive tools name the item by it.
    ::SetWindowTextW(hwnd_, title.c_str());
    FitTitleToText();
    RECT after{};
    ::GetWindowRect(element, &after);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&after), 2);
    RECT both{};
    ::UnionRect(&both, &before, &after);
    Redraw(both);
    return {};
}

Result<> ItemPanel::SetStatusText(std::wstring_view text)
{
    const HWND status = Element(control_id::kItemStatus);
    if (!::SetWindowTextW(status, std::wstring(text).c_str())) {
        return std::unexpected(LastError());
    }
    Redraw(ElementPixels(ItemElement::kStatus));
    AnnounceChange(status);
    return {};
}

Result<> ItemPanel::SetBandFillStyle(std::int32_t style)
{
    if (style != band_fill::kSolid && style != band_fill::kTransparent) {
        return Fail(380, L"Invalid property value");
    }
    fillStyle_ = style;
    progressWidth_.reset();
    Redraw(ElementPixels(ItemElement::kBand));
    return {};
}

Result<> ItemPanel::SetBandProgress(double fraction)
{
    if (!(fraction >= 0.0 && fraction <= 1.0)) {
        return Fail(380, L"Invalid property value");
    }
    // Redraw only when the filled part grows by a pixel: a run of many entries calls this often.
    const int width = FilledBandWidth(fraction);
    if (progressWidth_ != width) {
        progressWidth_ = width;
        Redraw(ElementPixels(ItemElement::kBand));
    }
    return {};
}

int ItemPanel::FilledBandWidth(double fraction) const
{
    const RECT band = ElementPixels(ItemElement::kBand);
    return static_cast<int>(std::lround(fraction * (band.right - band.left)));
}

void ItemPanel::Redraw(const RECT& area) const
{
    ::RedrawWindow(hwnd_, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void ItemPanel::PaintBand(HDC dc) const
{
    const RECT band = ElementPixels(ItemElement::kBand);
    const int corner = std::min(band.right - band.left, band.bottom - band.top) / 2;
    UniquePen pen(::CreatePen(PS_SOLID, std::max(1, scale_.FromStandard(1)), ToColorref(colours_.band)));
    UniqueBrush fill(::CreateSolidBrush(ToColorref(colours_.band)));
    SelectedObject penScope(dc, pen.get());

    const bool solid = !progressWidth_ && fillStyle_ == band_fill::kSolid;
    {
        SelectedObject brushScope(dc, solid ? static_cast<HGDIOBJ>(fill.get()) : ::GetStockObject(NULL_BRUSH));
        ::RoundRect(dc, band.left, band.top, band.right, band.bottom, corner, corner);
    }
    if (progressWidth_ && *progressWidth_ > 0) {
        // The part done is the band's own shape, filled, cut off where the run has got to.
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, band.left, band.top, band.left + *progressWidth_, band.bottom);
        SelectedObject brushScope(dc, fill.get());
        ::RoundRect(dc, band.left, band.top, band.right, band.bottom, corner, corner);
        ::RestoreDC(dc, saved);
    }
}

void ItemPanel::Paint(HDC dc) const
{
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    ::FillRect(dc, &client, background_.get());

    PaintBand(dc);

    if (!colours_.separatorPicture) {
        // A plain line in the text's colour where the gradient would be.
        RECT line = ElementPixels(ItemElement::kSeparator);
        line.bottom = line.top + std::max(1, scale_.FromStandard(1));
        UniqueBrush brush(::CreateSolidBrush(ToColorref(colours_.text)));
        ::FillRect(dc, &line, brush.get());
    } else if (separator_) {
        // The gradient shows at its own size, scaled for the DPI, clipped to its box.
        const RECT box = ElementPixels(ItemElement::kSeparator);
        BITMAP bitmap{};
        ::GetObjectW(separator_.get(), sizeof(bitmap), &bitmap);
        MemoryDc source(dc);
        SelectedObject selected(source.get(), separator_.get());
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, box.left, box.top, box.right, std::max(box.bottom, box.top + 1));
        ::SetStretchBltMode(dc, HALFTONE);
        ::StretchBlt(dc, box.left, box.top, scale_.FromStandard(bitmap.bmWidth), scale_.FromStandard(bitmap.bmHeight),
                     source.get(), 0, 0, bitmap.bmWidth, bitmap.bmHeight, SRCCOPY);
        ::RestoreDC(dc, saved);
    }
    if (icon_) {
        const RECT box = ElementPixels(ItemElement::kIcon);
        ::DrawIconEx(dc, box.left, box.top, icon_.get(), box.right - box.left, box.bottom - box.top, 0, nullptr,
                     DI_NORMAL);
    }
}

LRESULT ItemPanel::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
        PaintScope paint(hwnd_);
        Paint(paint.dc());
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, ToColorref(colours_.text));
        if (colours_.textOnOwnBackground) {
            ::SetBkMode(dc, OPAQUE);
            ::SetBkColor(dc, ToColorref(colours_.itemBackground));
            return reinterpret_cast<LRESULT>(background_.get());
        }
        // Transparent text, so the band shows behind the title.
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    }
    default:
        return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

}  // namespace nivaro::win32
