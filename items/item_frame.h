#pragma once
// What both kinds of cleaning item share: the title, the status line, the title band, the
// property persistence events and the rule for properties that may be set only at design time.

#include <string>
#include <string_view>

#include "items/cleaning_item.h"
#include "items/item_definition.h"
#include "items/item_design.h"
#include "items/item_plan.h"
#include "items/property_set.h"
#include "platform/item_site.h"
#include "platform/run_pace.h"

namespace nivaro {

class ItemFrame : public CleaningItem {
public:
    ItemFrame(const ItemFrame&) = delete;
    ItemFrame& operator=(const ItemFrame&) = delete;

    const std::wstring& Title() const override { return title_; }
    // Allowed at any time: stores the text, shows it and tells the host.
    Result<> SetTitle(std::wstring title) override;

    virtual ItemKind Kind() const = 0;

    // What the item cleans, as data: a copy that a preview on another thread can work from.
    virtual ItemDefinition Definition() const = 0;
    // The user's keep-list for this item; not a stored property, it comes with the user's items.
    void SetKeep(std::vector<std::wstring> keep, bool byCookieHost)
    {
        keep_ = std::move(keep);
        keepByCookieHost_ = byCookieHost;
    }

    // Gives every property its default, for a new item that has no stored set.
    virtual void InitProperties() = 0;
    // Fills the properties from a stored set, each with its default, then shows the title.
    virtual Result<> ReadProperties(const PropertySet& set) = 0;
    // Stores each property that differs from its default.
    virtual void WriteProperties(PropertySet& set) const = 0;

    // What a clean would remove now and what it would leave, and why; changes nothing.
    virtual ItemPlan Plan(Foresight foresight, RunPace& pace) const = 0;
    ItemPlan Plan() const
    {
        Unpaced pace;
        return Plan(Foresight::kDecideEach, pace);
    }
    // Works through exactly the plan's targets, each decided as its turn comes, and marks
    // what went and why the rest stayed; the number removed. Shows nothing in the item.
    virtual std::size_t Carry(ItemPlan& plan, RunPace& pace) const = 0;
    std::size_t Carry(ItemPlan& plan) const
    {
        Unpaced pace;
        return Carry(plan, pace);
    }

protected:
    explicit ItemFrame(ItemSite& site) : site_(site) {}

    ItemSite& Site() const { return site_; }

    // The definition's parts that every item has: its title and keep-list.
    ItemDefinition BaseDefinition() const;

    // The title's part of InitProperties: empty, and shown so.
    void InitTitle();
    Result<> ReadTitle(const PropertySet& set);
    void WriteTitle(PropertySet& set) const;
    Result<> ShowTitle() const;
    Result<> SetStatus(std::wstring_view text) const;
    // Fills the band solid: the sign that the item has run.
    Result<> ResetBand() const;
    // Refused with error 382 while the host runs; otherwise stores the value and tells the host.
    Result<> SetDesignTimeText(std::wstring& field, std::wstring value, std::wstring_view propertyName);

    // A run in the window: the host's events are let through between pieces of work, and the
    // band shows how far the run has come.
    class SitePace final : public RunPace {
    public:
        explicit SitePace(ItemSite& site) : site_(site) {}
        bool Continue() override
        {
            site_.PumpEvents();
            return true;
        }
        void Progress(double fraction) override { (void)site_.SetBandProgress(fraction); }

    private:
        ItemSite& site_;
    };

private:
    ItemSite& site_;
    std::wstring title_;
    std::vector<std::wstring> keep_;
    bool keepByCookieHost_ = false;
};

}  // namespace nivaro
