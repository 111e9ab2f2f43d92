#include "items/nv_reg.h"

#include "items/registry_plan.h"

namespace nivaro {

void NvReg::SetHKey(RegistryRoot root)
{
    hkey_ = root;
    Site().PropertyChanged(L"HKey");
}

void NvReg::InitProperties()
{
    regKey_.clear();
    InitTitle();
    hkey_ = kCurrentUser;
}

Result<> NvReg::ReadProperties(const PropertySet& set)
{
    auto hkey = set.ReadInt(L"HKey", kCurrentUser);
    if (!hkey) {
        return std::unexpected(hkey.error());
    }
    auto regKey = set.ReadText(L"RegKey", L"");
    if (!regKey) {
        return std::unexpected(regKey.error());
    }
    if (auto title = ReadTitle(set); !title) {
        return title;
    }
    hkey_ = *hkey;
    regKey_ = std::move(*regKey);
    return ShowTitle();
}

void NvReg::WriteProperties(PropertySet& set) const
{
    set.Write(L"HKey", hkey_, kCurrentUser);
    set.Write(L"RegKey", regKey_, std::wstring());
    WriteTitle(set);
}

ItemDefinition NvReg::Definition() const
{
    ItemDefinition definition = BaseDefinition();
    definition.targets.push_back(RegistryTarget{.root = hkey_, .key = regKey_});
    return definition;
}

// The registry half of the engine: a list item needs nothing of the platform but its registry.
ItemPlan NvReg::Plan(Foresight, RunPace& pace) const
{
    const ItemDefinition definition = Definition();
    ItemPlan plan;
    plan.keep = definition.keep;
    plan.parts.emplace_back().what = definition.targets.front();
    ListRegistry(registry_, plan, 0, pace);
    plan.target = plan.parts.front().target;
    plan.problem = plan.parts.front().problem;
    return plan;
}

std::size_t NvReg::Carry(ItemPlan& plan, RunPace& pace) const
{
    return CarryRegistry(registry_, plan, pace);
}

Result<> NvReg::Start()
{
    if (auto reset = ResetBand(); !reset) {
        return reset;
    }
    SitePace pace(Site());
    ItemPlan plan = Plan(Foresight::kListOnly, pace);
    const std::size_t count = Carry(plan, pace);
    const std::wstring status = plan.problem && plan.problem->number == error_number::kPermissionDenied
                                    ? std::wstring(item_text::kKeyIsLink)
                                    : CountText(static_cast<long long>(count));
    if (auto shown = SetStatus(status); !shown) {
        return shown;
    }
    return ResetBand();
}

}  // namespace nivaro
