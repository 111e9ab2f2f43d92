#include "items/nv_folder.h"

#include "items/folder_entries.h"
#include "registry/mod_reg.h"

namespace nivaro {

std::wstring NvFolder::ResolvePath() const
{
    if (folder_.starts_with(L'%')) {
        return GetRegString(services_.registry, kCurrentUser, kShellFoldersKey, std::wstring_view(folder_).substr(1));
    }
    return folder_;
}

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

bool NvFolder::IsFolder(const std::wstring& path) const
{
    const std::optional<std::uint32_t> attributes = services_.files.Attributes(path);
    return attributes && (*attributes & file_attr::kDirectory) != 0;
}

ItemPlan NvFolder::TakeList(std::wstring path, std::unique_ptr<ShellFolder> folder, bool foretell) const
{
    ItemPlan plan;
    plan.target = std::move(path);
    auto entries = folder->Items();
    if (!entries) {
        plan.problem = entries.error();
        return plan;
    }
    plan.targets.reserve(entries->size());
    for (ShellEntry& entry : *entries) {
        plan.targets.push_back({.entry = std::move(entry)});
        if (foretell) {
            Foretell(plan.targets.back());
        }
    }
    plan.shellFolder = std::move(folder);
    return plan;
}

void NvFolder::Foretell(PlannedTarget& target) const
{
    std::optional<DirectoryEntry> found;
    if (!target.entry.path.empty()) {
        found = services_.files.FindEntry(target.entry.path);
    }
    if (found && (found->attributes & file_attr::kDirectory) == 0) {
        target.size = found->size;
    }
    const EntryDecision decision = DecideEntry(target.entry, found);
    target.remove = decision.action != EntryAction::kLeave;
    target.reason = decision.reason;
    if (decision.action == EntryAction::kRemoveFile) {
        // Held open, or refused for another reason: asked without changing anything.
        target.reason = ReasonForStatus(services_.files.CheckDeletable(target.entry.path));
        target.remove = target.reason == LeaveReason::kNone;
    }
}

ItemPlan NvFolder::Plan() const
{
    std::wstring path = ResolvePath();
    Result<std::unique_ptr<ShellFolder>> folder =
        IsFolder(path) ? services_.shell.NameSpace(path)
                       : std::unexpected(Error{file_status::kPathNotFound, std::wstring(item_text::kFolderMissing)});
    if (!folder) {
        ItemPlan plan;
        plan.target = std::move(path);
        plan.problem = folder.error();
        return plan;
    }
    return TakeList(std::move(path), std::move(*folder), true);
}

std::size_t NvFolder::Carry(ItemPlan& plan) const
{
    if (!plan.shellFolder) {
        return 0;
    }
    std::size_t removed = 0;
    (void)Site().SetBandProgress(0.0);
    for (std::size_t pass = 0; pass < plan.targets.size(); ++pass) {
        Site().PumpEvents();
        CleanEntry(*plan.shellFolder, plan.targets[pass]);
        if (plan.targets[pass].removed) {
            ++removed;
        }
        (void)Site().SetBandProgress(static_cast<double>(pass + 1) / static_cast<double>(plan.targets.size()));
    }
    return removed;
}

void NvFolder::CleanEntry(ShellFolder& folder, PlannedTarget& target) const
{
    const ShellEntry& entry = target.entry;
    // The entry as listed: the delete itself finds out whether it has gone or changed since.
    std::optional<DirectoryEntry> found;
    if (!entry.path.empty()) {
        found = DirectoryEntry{entry.attributes, 0};
    }
    const EntryDecision decision = DecideEntry(entry, found);
    target.removed = false;
    target.reason = decision.reason;
    switch (decision.action) {
    case EntryAction::kRemoveFile:
        target.reason = ReasonForStatus(services_.files.RemoveFile(entry.path));
        target.removed = target.reason == LeaveReason::kNone;
        break;
    case EntryAction::kShellDelete:
        target.removed = folder.InvokeDelete(entry).value_or(false);
        target.reason = target.removed ? LeaveReason::kNone : LeaveReason::kRefused;
        break;
    case EntryAction::kLeave:
        break;
    }
}

Result<> NvFolder::Start()
{
    std::wstring path = ResolvePath();
    if (!IsFolder(path)) {
        (void)SetStatus(item_text::kFolderMissing);
        (void)ResetBand();
        return {};
    }
    {
        auto folder = services_.shell.NameSpace(path);
        (void)ResetBand();
        (void)SetStatus(item_text::kRemoving);
        std::size_t cleaned = 0;
        if (folder) {
            // The entries are taken once: every entry the folder holds now is worked on exactly
            // once, however the folder's own list shifts as entries go.
            ItemPlan plan = TakeList(std::move(path), std::move(*folder), false);
            cleaned = Carry(plan);
        }
        (void)SetStatus(CountText(static_cast<long long>(cleaned)));
    }  // the namespace folder is released here, before the last band reset
    (void)ResetBand();
    return {};
}

}  // namespace nivaro
