// Carrying out a folder part's plan: each folder opened again as the clean reaches it (a base by
// its path, every other one by its parent's handle and its exact name), each entry decided and
// deleted through its own handle, and said to be removed only once its folder is found still at
// its path (an entry), or its name is found no longer there (a folder, once per folder).

#include <algorithm>

#include "items/folder_inspection.h"
#include "items/folder_plan.h"
#include "items/item_paths.h"

namespace nivaro {
namespace {

// Why a folder that was listed cannot be opened again as the same folder.
LeaveReason Unreachable(FolderOpen outcome)
{
    return outcome == FolderOpen::kNotFound ? LeaveReason::kGone : LeaveReason::kChanged;
}

// Whether a folder opened again by its exact name is the one listed: in its parent, by that name
// (or that name without the trailing dots and blanks a platform leaves out).
bool IsSameFolder(const FolderOpening& opening, const std::wstring& name)
{
    return opening.outcome == FolderOpen::kOpened && opening.location.inFolder &&
           (opening.location.leaf == name || opening.location.leaf == WithoutTrailingDotsAndBlanks(name));
}

}  // namespace

FolderCarrier::FolderCarrier(const PlatformServices& services, ItemPlan& plan)
    : services_(services), plan_(plan), own_(services)
{
}

FolderCarrier::~FolderCarrier() = default;

std::expected<FolderHandle*, LeaveReason> FolderCarrier::Reach(std::size_t folder)
{
    std::vector<std::size_t> chain;
    for (std::optional<std::size_t> at = folder; at; at = plan_.folders[*at].parent) {
        chain.push_back(*at);
    }
    std::ranges::reverse(chain);
    std::size_t kept = 0;
    while (kept < open_.size() && kept < chain.size() && open_[kept].first == chain[kept]) {
        ++kept;
    }
    open_.resize(kept);  // what lies off the way closes
    for (std::size_t step = kept; step < chain.size(); ++step) {
        const std::size_t index = chain[step];
        if (const auto failed = unreachable_.find(index); failed != unreachable_.end()) {
            return std::unexpected(failed->second);
        }
        const PlanFolder& planned = plan_.folders[index];
        std::unique_ptr<FolderHandle> opened;
        LeaveReason why = LeaveReason::kNone;
        if (step == 0) {
            // The base is found again by its path, and must be where it was when it was listed.
            auto base = services_.files.OpenFolder(planned.name);
            const bool absent = !base && (base.error().number == file_status::kFileNotFound ||
                                          base.error().number == file_status::kPathNotFound);
            if (base && (*base)->Path() == planned.path) {
                opened = std::move(*base);
            } else {
                why = absent ? LeaveReason::kGone : LeaveReason::kChanged;
            }
        } else {
            FolderOpening opening = open_.back().second->OpenSubfolder(planned.name);
            if (IsSameFolder(opening, planned.name)) {
                opened = std::move(opening.folder);
            } else {
                why = opening.outcome == FolderOpen::kOpened ? LeaveReason::kChanged : Unreachable(opening.outcome);
            }
        }
        if (!opened) {
            unreachable_.emplace(index, why);
            return std::unexpected(why);
        }
        open_.emplace_back(index, std::move(opened));
    }
    return open_.back().second.get();
}

void FolderCarrier::Carry(PlannedTarget& target)
{
    target.removed = false;
    if (target.settled) {
        return;
    }
    if (plan_.parts[target.part].problem) {
        target.reason = LeaveReason::kRefused;
        return;
    }
    if (target.container) {
        CarryRemoval(target);
    } else {
        CarryEntry(target);
    }
    target.removed = target.remove && target.reason == LeaveReason::kNone;
}

void FolderCarrier::CarryEntry(PlannedTarget& target)
{
    auto folder = Reach(target.folder);
    if (!folder) {
        target.reason = folder.error();
        return;
    }
    auto& trimmed = trimmed_[target.folder];
    if (!trimmed) {
        trimmed = std::make_unique<TrimmedNameCounts>([&plan = plan_, index = target.folder](const auto& each) {
            for (const PlannedTarget& listed : plan.targets) {
                if (listed.folder == index && !listed.container && listed.entry.IsFileSystemObject() &&
                    std::holds_alternative<FolderTarget>(plan.parts[listed.part].what)) {
                    each(listed.entry.parsingName);
                }
            }
        });
    }
    Inspection inspection = Inspect(plan_, plan_.folders[target.folder].rules, **folder, target.entry, *trimmed,
                                    Foresight::kListOnly);
    target.remove = inspection.decision.action != EntryAction::kLeave;
    target.reason = inspection.decision.reason;
    if (inspection.decision.action == EntryAction::kRemoveFile) {
        const DeleteOutcome outcome = inspection.handle->Delete();
        inspection.handle.reset();  // the entry goes as its handle closes
        target.reason = ReasonForDelete(outcome);
        // A platform that deletes at the close by a path deleted something else if the folder was
        // swapped meanwhile. Asking whether the folder is still at its path looks up names that
        // exist; asking for the entry's name, which should be gone, makes a platform that finds
        // names in any case search the whole folder for it: once per entry, a quadratic clean.
        if (outcome == DeleteOutcome::kDeleted && !(*folder)->StillInPlace()) {
            target.reason = LeaveReason::kChanged;
        }
    } else if (inspection.decision.action == EntryAction::kShellDelete) {
        const PlanPart& part = plan_.parts[target.part];
        const bool gone = part.shellFolder && part.shellFolder->InvokeDelete(target.entry).value_or(false);
        target.reason = gone ? LeaveReason::kNone : LeaveReason::kRefused;
    }
}

// A folder goes through a handle of its own, opened from its parent by its exact name, and only
// when it is empty; never a protected place or a folder of the program's own items.
void FolderCarrier::CarryRemoval(PlannedTarget& target)
{
    const PlanFolder& planned = plan_.folders[target.folder];
    target.remove = true;
    std::unique_ptr<FolderHandle> baseParent;
    FolderHandle* parent = nullptr;
    std::wstring name = planned.name;
    if (planned.parent) {
        auto reached = Reach(*planned.parent);  // the folder itself closes here, if it was open
        if (!reached) {
            target.reason = reached.error();
            return;
        }
        parent = *reached;
    } else {
        // The folder a path names is removed from the folder that holds it, by its last name: a
        // folder reached through a link of its own is not the one that name leads to.
        open_.clear();
        const auto split = SplitLeaf(planned.name, services_.files.Separator());
        Result<std::unique_ptr<FolderHandle>> opened = std::unexpected(Error{});
        if (split) {
            opened = services_.files.OpenFolder(split->first);
        }
        if (!opened) {
            target.reason = LeaveReason::kRefused;
            return;
        }
        baseParent = std::move(*opened);
        parent = baseParent.get();
        name = split->second;
    }
    FolderOpening opening = parent->OpenSubfolder(name, true);
    if (!IsSameFolder(opening, name)) {
        target.reason = opening.outcome == FolderOpen::kLink || opening.outcome == FolderOpen::kOpened
                            ? LeaveReason::kLinkedFolder
                            : Unreachable(opening.outcome);
        return;
    }
    if (opening.folder->Path() != planned.path) {
        target.reason = LeaveReason::kLinkedFolder;  // the name leads elsewhere than the folder listed
        return;
    }
    if (own_.IsOne(planned.path) || WhyProtectedNow(services_, *opening.folder)) {
        target.reason = LeaveReason::kProtected;
        return;
    }
    const DeleteOutcome outcome = opening.folder->RemoveIfEmpty();
    opening.folder.reset();  // it goes as its handle closes
    target.reason = ReasonForDelete(outcome);
    if (outcome == DeleteOutcome::kDeleted && parent->Holds(name)) {
        target.reason = LeaveReason::kChanged;
    }
}

}  // namespace nivaro
