#pragma once
// The folder item's work, apart from its widget: find the folder that a setting names, list its
// entries, decide each, and delete what goes.

#include <string_view>

#include "items/item_plan.h"
#include "platform/run_pace.h"
#include "platform/services.h"

namespace nivaro {

inline constexpr std::wstring_view kShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The folder's path as a setting names it now: the setting itself, or after a "%" the user's
// Shell Folders value of that name (a REG_EXPAND_SZ value expanded). Fails, with the reason in
// words, when the value is missing or of a type no path is written in.
Result<std::wstring> ResolveFolderSetting(const PlatformServices& services, std::wstring_view setting);

// The folder, held open in the plan; refused with the plan's problem when it is not there, is not
// written as a full local path, or is a protected place.
ItemPlan FindFolder(const PlatformServices& services, std::wstring_view setting);
// The found folder's entries, read once, a batch at a time; with kDecideEach each is decided.
void ListFolder(const PlatformServices& services, ItemPlan& plan, Foresight foresight, RunPace& pace);
// Both.
ItemPlan PlanFolder(const PlatformServices& services, std::wstring_view setting, Foresight foresight, RunPace& pace);

// Works through the plan's entries in order, each decided as its turn comes and deleted through
// its own handle; the number removed.
std::size_t CarryFolder(const PlatformServices& services, ItemPlan& plan, RunPace& pace);

}  // namespace nivaro
