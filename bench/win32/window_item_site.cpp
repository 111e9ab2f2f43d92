#include "bench/win32/window_item_site.h"

#include <windows.h>

#include "ui/win32/message_pump.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32::bench {
namespace {

class WindowItemSite final : public BenchItemSite {
public:
    explicit WindowItemSite(UniqueWindow window) : window_(std::move(window)) {}

    void PumpEvents() override
    {
        if (pump) {
            pump_.Pump(window_.get());
        }
    }

private:
    UniqueWindow window_;
    PacedPump pump_;
};

}  // namespace

// A static control needs no class of its own, and as a top-level window it gives this thread a
// message queue to pump, as the main window does.
std::unique_ptr<BenchItemSite> MakeWindowItemSite()
{
    UniqueWindow window(::CreateWindowExW(0, L"STATIC", L"Nivaro folder bench", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                          CW_USEDEFAULT, 400, 200, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                          nullptr));
    if (!window) {
        return nullptr;
    }
    return std::make_unique<WindowItemSite>(std::move(window));
}

}  // namespace nivaro::win32::bench
