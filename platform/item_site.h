#pragma once
// What a cleaning item needs of the window that hosts it: the ambient run mode and change
// notices, the event pump, and the few child elements that its run writes to.

#include <cstdint>
#include <string_view>

#include "platform/error.h"

namespace nivaro {

// Fill styles of the title band: solid fills it with the band's colour, transparent draws only its outline.
namespace band_fill {
inline constexpr std::int32_t kSolid = 0;
inline constexpr std::int32_t kTransparent = 1;
}  // namespace band_fill

class ItemSite {
public:
    virtual ~ItemSite() = default;

    // True in the running program; false only while a layout is being designed.
    virtual bool IsRunning() const = 0;
    // Tells the host that a persisted property changed, so its stored set is out of date.
    virtual void PropertyChanged(std::wstring_view name) = 0;
    // Lets the window handle its pending events (paint, input, clicks), then returns.
    virtual void PumpEvents() = 0;

    virtual Result<> SetTitleText(std::wstring_view text) = 0;
    virtual Result<> SetStatusText(std::wstring_view text) = 0;
    virtual Result<> SetBandFillStyle(std::int32_t style) = 0;
    // How much of the band is filled from the left while a run is under way, 0 to 1.
    virtual Result<> SetBandProgress(double fraction) = 0;
};

}  // namespace nivaro
