#pragma once
// The folder targets' work: find the folder a target names (or each folder its wildcards match),
// list its entries and, for a recursive target, those of every folder below it, decide each, and
// delete what goes. A folder is held open only while its own part of the run is done.

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "items/exclusions.h"
#include "items/folder_expansion.h"
#include "items/item_plan.h"
#include "items/place_checks.h"
#include "platform/run_pace.h"
#include "platform/services.h"
#include "registry/mod_reg.h"

namespace nivaro {

inline constexpr std::wstring_view kShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// How many folders below the folder it names a recursive target goes; what lies deeper stays.
inline constexpr std::size_t kDeepestFolder = 32;

// The folder's path as a window item's setting names it now: the setting itself, or after a "%"
// the user's Shell Folders value of that name (a REG_EXPAND_SZ value expanded). Fails, with the
// reason in words, when the value is missing or of a type no path is written in.
Result<std::wstring> ResolveFolderSetting(const PlatformServices& services, std::wstring_view setting);
// The folder the Shell Folders value of this name holds, as it was read (nothing when it is not there).
Result<std::wstring> FolderOfShellValue(const PlatformServices& services, const std::wstring& name,
                                        const std::optional<TypedText>& value);
// The path any folder target names now, its wildcards still in it.
Result<std::wstring> ResolveFolder(const PlatformServices& services, const FolderTarget& target);

// Finds the part's folder (for a path with wildcards, the folder before the first) and holds it;
// refused with the part's problem when it is not written as a full local path, is a protected
// place, or, for a window item, is not there. A built-in or user item's folder that is not there
// holds nothing to remove.
void FindFolder(const PlatformServices& services, PlanPart& part);

// What the folder parts of one item share while they are listed: the item's exclusions, resolved
// once, the budget of folders it may walk, and the program's own folders, found when first asked.
struct FolderRun {
    FolderRun(const PlatformServices& services, const ItemPlan& plan);

    FileExclusions exclusions;
    FolderBudget budget;
    OwnItemFolders own;
};

// Adds the part's entries (those its patterns name) to the plan: of the folder it names, of each
// folder its wildcards match, and for a recursive target of every folder below them, each read
// once, a batch at a time; with kDecideEach each is also decided. The part's folders are closed
// when it is done.
void ListFolder(const PlatformServices& services, ItemPlan& plan, std::size_t part, Foresight foresight,
                RunPace& pace, FolderRun& run);

class TrimmedNameCounts;

// Decides and deletes the folder entries of a plan as their turns come, and removes the folders
// a target removes once they are empty. Each folder is opened again as the clean reaches it, the
// folders above it held only while the clean is below them.
class FolderCarrier {
public:
    FolderCarrier(const PlatformServices& services, ItemPlan& plan);
    ~FolderCarrier();
    FolderCarrier(const FolderCarrier&) = delete;
    FolderCarrier& operator=(const FolderCarrier&) = delete;

    void Carry(PlannedTarget& target);

private:
    // The plan's folder open, and every folder above it; or why it cannot be reached now.
    std::expected<FolderHandle*, LeaveReason> Reach(std::size_t folder);
    void CarryEntry(PlannedTarget& target);
    void CarryRemoval(PlannedTarget& target);

    const PlatformServices& services_;
    ItemPlan& plan_;
    std::vector<std::pair<std::size_t, std::unique_ptr<FolderHandle>>> open_;  // from a base folder down
    std::map<std::size_t, LeaveReason> unreachable_;
    std::map<std::size_t, std::unique_ptr<TrimmedNameCounts>> trimmed_;  // by folder
    OwnItemFolders own_;
};

}  // namespace nivaro
