#pragma once
// The folder targets' work: find the folder a target names, list its entries, decide each, and
// delete what goes.

#include <string_view>

#include "items/item_plan.h"
#include "platform/run_pace.h"
#include "platform/services.h"

namespace nivaro {

inline constexpr std::wstring_view kShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The folder's path as a window item's setting names it now: the setting itself, or after a "%"
// the user's Shell Folders value of that name (a REG_EXPAND_SZ value expanded). Fails, with the
// reason in words, when the value is missing or of a type no path is written in.
Result<std::wstring> ResolveFolderSetting(const PlatformServices& services, std::wstring_view setting);
// The path any folder target names now.
Result<std::wstring> ResolveFolder(const PlatformServices& services, const FolderTarget& target);

// Finds the part's folder and holds it; refused with the part's problem when it is not written as
// a full local path, is a protected place, or, for a window item, is not there. A built-in or
// user item's folder that is not there holds nothing to remove.
void FindFolder(const PlatformServices& services, PlanPart& part);
// Adds the found folder's entries (those its patterns name) to the plan, read once, a batch at a
// time; with kDecideEach each is also decided.
void ListFolder(const PlatformServices& services, ItemPlan& plan, std::size_t part, Foresight foresight,
                RunPace& pace);

class TrimmedNameCounts;

// Decides and deletes the folder entries of a plan as their turns come.
class FolderCarrier {
public:
    explicit FolderCarrier(ItemPlan& plan);
    ~FolderCarrier();
    FolderCarrier(const FolderCarrier&) = delete;
    FolderCarrier& operator=(const FolderCarrier&) = delete;

    void Carry(PlannedTarget& target);

private:
    ItemPlan& plan_;
    std::vector<std::unique_ptr<TrimmedNameCounts>> trimmed_;  // by part
};

}  // namespace nivaro
