#pragma once
// The registry list item: deletes every named value of one registry key, the kind of key in
// which a most-recently-used list is kept.

#include <cstdint>
#include <string>

#include "items/item_frame.h"
#include "platform/registry.h"

namespace nivaro {

class NvReg final : public ItemFrame {
public:
    NvReg(ItemSite& site, RegistryApi& registry) : ItemFrame(site), registry_(registry) {}

    ItemKind Kind() const override { return ItemKind::kRegistryList; }
    ItemDefinition Definition() const override;

    RegistryRoot HKey() const { return hkey_; }
    void SetHKey(RegistryRoot root);
    const std::wstring& RegKey() const { return regKey_; }
    // Design time only: refused with error 382 while the program runs.
    Result<> SetRegKey(std::wstring path) { return SetDesignTimeText(regKey_, std::move(path), L"RegKey"); }

    void InitProperties() override;
    Result<> ReadProperties(const PropertySet& set) override;
    void WriteProperties(PropertySet& set) const override;

    using ItemFrame::Carry;
    using ItemFrame::Plan;
    ItemPlan Plan(Foresight foresight, RunPace& pace) const override;
    std::size_t Carry(ItemPlan& plan, RunPace& pace) const override;

    // Lists the key's values and deletes them, letting the window's events through meanwhile.
    Result<> Start() override;

private:
    RegistryApi& registry_;
    RegistryRoot hkey_ = kCurrentUser;
    std::wstring regKey_;
};

}  // namespace nivaro
