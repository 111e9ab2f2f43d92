#pragma once
// A site for items that run without a window, as the catalogue loads them: the texts are kept
// for the caller, nothing is drawn and there are no events to pump.

#include <string>

#include "platform/item_site.h"

namespace nivaro {

class HeadlessItemSite : public ItemSite {
public:
    bool IsRunning() const override { return true; }
    void PropertyChanged(std::wstring_view) override {}
    void PumpEvents() override {}

    Result<> SetTitleText(std::wstring_view text) override
    {
        title_ = text;
        return {};
    }
    Result<> SetStatusText(std::wstring_view text) override
    {
        status_ = text;
        return {};
    }
    Result<> SetBandFillStyle(std::int32_t) override { return {}; }
    Result<> SetBandProgress(double) override { return {}; }

    const std::wstring& Title() const { return title_; }
    const std::wstring& Status() const { return status_; }

private:
    std::wstring title_;
    std::wstring status_;
};

}  // namespace nivaro
