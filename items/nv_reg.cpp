#include "items/nv_reg.h"

#include "registry/mod_reg.h"

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

ItemPlan NvReg::Plan() const
{
    ItemPlan plan;
    plan.target = KeyDisplayName(hkey_, regKey_);
    auto names = ListValueNames(registry_, hkey_, regKey_);
    if (!names) {
        // A key that is not there holds nothing to remove; one that cannot be opened is a problem.
        if (names.error() != reg_status::kFileNotFound) {
            plan.problem = Error{static_cast<std::int32_t>(names.error()),
                                 L"The key cannot be opened (error " + std::to_wstring(names.error()) + L")"};
        }
        return plan;
    }
    plan.targets.reserve(names->size());
    for (std::wstring& name : *names) {
        PlannedTarget& target = plan.targets.emplace_back();
        target.entry.name = std::move(name);
    }
    return plan;
}

std::size_t NvReg::Carry(ItemPlan& plan) const
{
    std::vector<std::wstring> names;
    names.reserve(plan.targets.size());
    for (PlannedTarget& target : plan.targets) {
        names.push_back(target.entry.name);
        target.removed = false;
        target.reason = LeaveReason::kRefused;  // until the registry says otherwise
    }
    return DeleteValues(registry_, hkey_, regKey_, names, [&](std::size_t index, long status) {
        PlannedTarget& target = plan.targets[index];
        target.removed = status == reg_status::kSuccess;
        target.reason = target.removed                      ? LeaveReason::kNone
                        : status == reg_status::kFileNotFound ? LeaveReason::kGone
                                                              : LeaveReason::kRefused;
    });
}

Result<> NvReg::Start()
{
    if (auto reset = ResetBand(); !reset) {
        return reset;
    }
    const std::size_t count = DeleteAllValues(registry_, hkey_, regKey_);
    if (auto shown = SetStatus(CountText(static_cast<long long>(count))); !shown) {
        return shown;
    }
    return ResetBand();
}

}  // namespace nivaro
