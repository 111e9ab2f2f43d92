#pragma once
// The folder item: deletes the entries of one folder, named by a path or, after a "%", by the
// name under which the user's Shell Folders key records it.

#include <cstddef>
#include <memory>
#include <string>

#include "items/folder_plan.h"
#include "items/item_engine.h"
#include "items/item_frame.h"
#include "platform/services.h"

namespace nivaro {

class NvFolder final : public ItemFrame {
public:
    NvFolder(ItemSite& site, const PlatformServices& services) : ItemFrame(site), services_(services) {}

    ItemKind Kind() const override { return ItemKind::kFolder; }
    ItemDefinition Definition() const override;

    const std::wstring& Folder() const { return folder_; }
    // Design time only: refused with error 382 while the program runs.
    Result<> SetFolder(std::wstring folder) { return SetDesignTimeText(folder_, std::move(folder), L"Folder"); }

    void InitProperties() override;
    Result<> ReadProperties(const PropertySet& set) override;
    void WriteProperties(PropertySet& set) const override;

    using ItemFrame::Carry;
    using ItemFrame::Plan;
    ItemPlan Plan(Foresight foresight, RunPace& pace) const override;
    std::size_t Carry(ItemPlan& plan, RunPace& pace) const override;

    // A failing step is skipped and the run goes on; no error leaves Start.
    Result<> Start() override;

private:
    PlatformServices services_;
    std::wstring folder_;
};

}  // namespace nivaro
