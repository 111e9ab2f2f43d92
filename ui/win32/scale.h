#pragma once
// Twips to pixels at a window's DPI: 15 twips to a pixel at 96 dots per inch.

#include <windows.h>

#include "platform/geometry.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {

class Scale {
public:
    explicit Scale(UINT dpi) : dpi_(dpi == 0 ? USER_DEFAULT_SCREEN_DPI : dpi) {}

    UINT Dpi() const { return dpi_; }
    int Pixels(int twips) const { return ::MulDiv(twips, static_cast<int>(dpi_), kTwipsPerInch); }
    // Scales a size given in pixels at 96 dots per inch.
    int FromStandard(int pixels) const { return ::MulDiv(pixels, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI); }
    RECT Rect(const TwipRect& r) const
    {
        const int left = Pixels(r.left);
        const int top = Pixels(r.top);
        return {left, top, left + Pixels(r.width), top + Pixels(r.height)};
    }
    UniqueFont Font(const FontSpec& design) const
    {
        LOGFONTW font{};
        font.lfHeight = -::MulDiv(design.hundredthsOfPoint, static_cast<int>(dpi_), 72 * 100);
        font.lfWeight = design.bold ? FW_BOLD : FW_NORMAL;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = CLEARTYPE_QUALITY;
        ::lstrcpynW(font.lfFaceName, design.face, LF_FACESIZE);
        return UniqueFont(::CreateFontIndirectW(&font));
    }

private:
    UINT dpi_;
};

inline COLORREF ToColorref(Colour colour)
{
    return static_cast<COLORREF>(colour);  // both are 0x00BBGGRR
}

}  // namespace nivaro::win32
