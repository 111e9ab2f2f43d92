#pragma once
// The window toolkit where there is no window: it keeps what the logic writes to it, answers
// message boxes from a script, and lets the event pump run a callback, so that the logic's
// behaviour can be watched.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/item_site.h"
#include "platform/window_services.h"

namespace nivaro {

class SubstituteItemSite final : public ItemSite {
public:
    bool IsRunning() const override { return running; }
    void PropertyChanged(std::wstring_view name) override { changedProperties.emplace_back(name); }
    void PumpEvents() override;

    Result<> SetTitleText(std::wstring_view text) override;
    Result<> SetStatusText(std::wstring_view text) override;
    Result<> SetBandFillStyle(std::int32_t style) override;
    Result<> SetBandProgress(double fraction) override;

    bool running = true;
    std::wstring title;
    std::wstring status = L"Not Complete";
    std::vector<std::wstring> statusHistory;
    std::int32_t bandFillStyle = band_fill::kTransparent;
    std::vector<std::int32_t> bandFillWrites;
    std::vector<double> bandProgress;
    std::vector<std::wstring> changedProperties;
    int pumps = 0;
    std::function<void()> onPump;
    // When set, every widget write fails with this error, as a broken control would.
    std::optional<Error> failWrites;
};

struct ShownMessage {
    std::wstring text;
    std::wstring title;
    MessageButtons buttons;
    MessageIcon icon;
};

class SubstituteWindow final : public WindowServices {
public:
    Result<std::int32_t> CheckboxValue(int index) const override;
    MessageAnswer ShowMessage(std::wstring_view text, std::wstring_view title, MessageButtons buttons,
                              MessageIcon icon) override;
    void OpenWebPage(std::wstring_view address) override { openedPages.emplace_back(address); }
    void SetCleanCommandsEnabled(bool enabled) override { cleanCommandsEnabled.push_back(enabled); }

    std::map<int, std::int32_t> checkboxes;  // Check1 index to value
    std::deque<MessageAnswer> answers;       // answers to the boxes to come, in order
    std::vector<ShownMessage> shown;
    std::vector<std::wstring> openedPages;
    std::vector<bool> cleanCommandsEnabled;
    std::function<void()> onMessage;         // runs while a box is up, before it is answered
};

}  // namespace nivaro
