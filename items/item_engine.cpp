#include "items/item_engine.h"

#include <algorithm>

#include "items/folder_plan.h"
#include "items/item_paths.h"
#include "items/registry_plan.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

// The item's summary of its parts, for the reports that show one target and one problem.
void Summarise(ItemPlan& plan)
{
    plan.target.clear();
    plan.problem.reset();
    for (const PlanPart& part : plan.parts) {
        plan.target += (plan.target.empty() ? L"" : L"; ") + part.target;
        if (part.problem && !plan.problem) {
            plan.problem = part.problem;
        }
    }
}

// The plan's parts, one for each of the item's targets, nothing found or listed yet.
ItemPlan SetUp(const ItemDefinition& item)
{
    ItemPlan plan;
    plan.keep = item.keep;
    plan.keepByCookieHost = item.keepByCookieHost;
    plan.exclude = item.exclude;
    for (const ItemTarget& target : item.targets) {
        PlanPart& part = plan.parts.emplace_back();
        part.what = target;
        if (const auto* key = std::get_if<RegistryTarget>(&target)) {
            part.target = KeyDisplayName(key->root, key->key);
            // What a registry exclusion keeps is not told apart from the rest yet: the key would lose it.
            if (std::ranges::any_of(item.exclude, [](const Exclusion& e) { return e.kind == Exclusion::Kind::kRegistry; })) {
                part.problem = Error{error_number::kPermissionDenied, L"Its registry exclusions cannot be applied: not cleaned"};
            }
        } else if (const auto* folder = std::get_if<FolderTarget>(&target)) {
            part.target = folder->path;
        }
    }
    return plan;
}

}  // namespace

ItemPlan BeginPlan(const PlatformServices& services, const ItemDefinition& item)
{
    ItemPlan plan = SetUp(item);
    for (PlanPart& part : plan.parts) {
        if (std::holds_alternative<FolderTarget>(part.what)) {
            FindFolder(services, part);
        }
    }
    Summarise(plan);
    return plan;
}

void ListPlan(const PlatformServices& services, ItemPlan& plan, Foresight foresight, RunPace& pace)
{
    std::optional<FolderRun> folders;
    for (std::size_t part = 0; part < plan.parts.size(); ++part) {
        if (std::holds_alternative<FolderTarget>(plan.parts[part].what)) {
            if (!folders) {
                folders.emplace(services, plan);
            }
            ListFolder(services, plan, part, foresight, pace, *folders);
        } else if (const auto* database = std::get_if<DatabaseTarget>(&plan.parts[part].what)) {
            database->run(services, plan, part, false);
        } else {
            ListRegistry(services.registry, plan, part, pace);
        }
    }
    Summarise(plan);
}

ItemPlan PlanItem(const PlatformServices& services, const ItemDefinition& item, Foresight foresight, RunPace& pace)
{
    // Each folder is found as its part is listed, and closed when the part is done: an item of
    // thousands of folders never holds more than a few open.
    ItemPlan plan = SetUp(item);
    ListPlan(services, plan, foresight, pace);
    return plan;
}

std::size_t CarryItem(const PlatformServices& services, ItemPlan& plan, RunPace& pace)
{
    // A database part's clean makes its targets anew from what it did, before the folder and
    // registry parts are worked through by index.
    std::size_t removed = 0;
    bool databases = false;
    for (std::size_t part = 0; part < plan.parts.size(); ++part) {
        if (const auto* database = std::get_if<DatabaseTarget>(&plan.parts[part].what)) {
            std::erase_if(plan.targets, [&](const PlannedTarget& target) { return target.part == part; });
            plan.parts[part].problem.reset();
            database->run(services, plan, part, true);
            removed += static_cast<std::size_t>(std::ranges::count_if(
                plan.targets, [&](const PlannedTarget& target) { return target.part == part && target.removed; }));
            databases = true;
        }
    }
    if (databases) {
        Summarise(plan);
    }
    FolderCarrier folders(services, plan);
    const double total = static_cast<double>(plan.targets.size());
    pace.Progress(0.0);
    for (std::size_t index = 0; index < plan.targets.size(); ++index) {
        PlannedTarget& target = plan.targets[index];
        if (std::holds_alternative<FolderTarget>(plan.parts[target.part].what)) {
            (void)pace.Continue();  // a clean, once begun, works through every entry
            folders.Carry(target);
            removed += target.removed ? 1 : 0;
            pace.Progress(static_cast<double>(index + 1) / total);
        }
    }
    removed += CarryRegistry(services.registry, plan, pace);
    return removed;
}

bool IsDetected(const PlatformServices& services, const ItemDefinition& item)
{
    if (item.detect.empty()) {
        return true;
    }
    for (const Detection& detection : item.detect) {
        if (detection.kind == Detection::Kind::kKey) {
            RegistryKey key;
            if (services.registry.OpenKey(detection.root, detection.path, KeyAccess::kQuery, key) == reg_status::kSuccess) {
                return true;
            }
        } else {
            for (const std::wstring& path : ItemPathFolders(services.environment, detection.path, services.files.Separator())) {
                if (services.files.Exists(path)) {
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace nivaro
