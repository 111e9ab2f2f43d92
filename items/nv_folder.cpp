#include "items/nv_folder.h"


namespace nivaro {

void NvFolder::InitProperties()
{
    folder_.clear();
    InitTitle();
}

Result<> NvFolder::ReadProperties(const PropertySet& set)
{
    auto folder = set.ReadText(L"Folder", L"");
    if (!folder) {
        return std::unexpected(folder.error());
    }
    if (auto title = ReadTitle(set); !title) {
        return title;
    }
    folder_ = std::move(*folder);
    return ShowTitle();
}

void NvFolder::WriteProperties(PropertySet& set) const
{
    set.Write(L"Folder", folder_, std::wstring());
    WriteTitle(set);
}

ItemDefinition NvFolder::Definition() const
{
    ItemDefinition definition = BaseDefinition();
    definition.targets.push_back(FolderTarget{.form = FolderForm::kSetting, .path = folder_});
    return definition;
}

ItemPlan NvFolder::Plan(Foresight foresight, RunPace& pace) const
{
    return PlanItem(services_, Definition(), foresight, pace);
}

std::size_t NvFolder::Carry(ItemPlan& plan, RunPace& pace) const
{
    return CarryItem(services_, plan, pace);
}

Result<> NvFolder::Start()
{
    SitePace pace(Site());
    {
        // The folder is found and held before anything shows: one that cannot be cleaned only
        // says why.
        ItemPlan plan = BeginPlan(services_, Definition());
        if (plan.problem) {
            const bool refused = plan.problem && plan.problem->number == error_number::kPermissionDenied;
            (void)SetStatus(refused ? item_text::kFolderProtected : item_text::kFolderMissing);
            (void)ResetBand();
            return {};
        }
        (void)ResetBand();
        (void)SetStatus(item_text::kRemoving);
        ListPlan(services_, plan, Foresight::kListOnly, pace);
        const std::size_t cleaned = Carry(plan, pace);  // nothing when the folder could not be listed
        (void)SetStatus(CountText(static_cast<long long>(cleaned)));
    }  // the folder and its namespace view are released here, before the last band reset
    (void)ResetBand();
    return {};
}

}  // namespace nivaro
