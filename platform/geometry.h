#pragma once
// Measures the layouts are written in: twips (1/1440 inch, 15 to a pixel at 96 dots per inch),
// extents in hundredths of a millimetre, and colours as 0x00BBGGRR.

#include <cstdint>

namespace nivaro {

struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const TwipRect&, const TwipRect&) = default;
};

struct TwipSize {
    int width = 0;
    int height = 0;
};

using Colour = std::uint32_t;  // 0x00BBGGRR

struct FontSpec {
    const wchar_t* face;
    int hundredthsOfPoint;  // 900 for 9 pt, 825 for 8.25 pt
    bool bold;
};

inline constexpr int kTwipsPerInch = 1440;

// Twips to 0.01 mm, rounded to nearest: 1 inch is 2540 hundredths of a millimetre.
constexpr std::int32_t TwipsToHundredthsMm(int twips)
{
    return static_cast<std::int32_t>((static_cast<std::int64_t>(twips) * 2540 + kTwipsPerInch / 2) / kTwipsPerInch);
}

}  // namespace nivaro
