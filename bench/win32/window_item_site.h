#pragma once
// An item site on a real window of the calling thread, never shown, whose events are pumped as
// the main window pumps them: an item's run pays here what it pays in the program for keeping
// the window responsive. The texts are kept and nothing is drawn.

#include <memory>

#include "main/headless_item_site.h"

namespace nivaro::win32::bench {

class BenchItemSite : public HeadlessItemSite {
public:
    bool IsRunning() const override { return running; }

    bool running = true;
    // Off, a run pumps nothing: what the pump costs is the difference.
    bool pump = true;
};

// Nothing when the window cannot be made (no display).
std::unique_ptr<BenchItemSite> MakeWindowItemSite();

}  // namespace nivaro::win32::bench
