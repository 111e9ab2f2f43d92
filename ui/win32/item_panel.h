#pragma once
// A cleaning item's widget on the window: a white panel with the title band, the icon, the
// separator and three text elements that screen readers can read.

#include <windows.h>

#include <memory>
#include <optional>

#include "items/item_design.h"
#include "main/item_layout.h"
#include "main/window_colours.h"
#include "platform/item_site.h"
#include "ui/win32/base_window.h"
#include "ui/win32/scale.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {

struct ItemFonts {
    HFONT title;
    HFONT text;
};

// What a panel needs of the window it sits on.
class PanelHost {
public:
    virtual void PumpEvents() = 0;

protected:
    ~PanelHost() = default;
};

class ItemPanel final : public BaseWindow<ItemPanel>, public ItemSite {
public:
    static Result<std::unique_ptr<ItemPanel>> Create(HWND parent, const ControlLayout& control, PanelHost& host,
                                                     const Scale& scale, ItemFonts fonts);

    // Places the panel and its elements for the window's DPI.
    void Arrange(const Scale& scale, ItemFonts fonts);
    // Draws with these colours from now on.
    void SetColours(const WindowColours& colours);

    // The running program is never being designed, and saves nothing: property notices have no
    // stored set to mark.
    bool IsRunning() const override { return true; }
    void PropertyChanged(std::wstring_view) override {}
    void PumpEvents() override { host_.PumpEvents(); }

    Result<> SetTitleText(std::wstring_view text) override;
    Result<> SetStatusText(std::wstring_view text) override;
    Result<> SetBandFillStyle(std::int32_t style) override;
    Result<> SetBandProgress(double fraction) override;

    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

private:
    ItemPanel(const ControlLayout& control, PanelHost& host, const Scale& scale);

    HWND Element(int id) const { return ::GetDlgItem(hwnd_, id); }
    RECT ElementPixels(ItemElement element) const { return scale_.Rect(ElementRect(element, kind_)); }
    void FitTitleToText();
    void Redraw(const RECT& area) const;
    void Paint(HDC dc) const;
    void PaintBand(HDC dc) const;
    int FilledBandWidth(double fraction) const;

    const ControlLayout& control_;
    PanelHost& host_;
    ItemKind kind_;
    Scale scale_;
    ItemFonts fonts_{};
    WindowColours colours_ = ChooseColours(false, {});
    UniqueBrush background_;  // the panel's, and behind texts that stand on their own background
    UniqueIcon icon_;
    UniqueBitmap separator_;
    std::int32_t fillStyle_ = band_fill::kTransparent;
    std::optional<int> progressWidth_;  // pixels of the band filled while a run is under way
};

}  // namespace nivaro::win32
