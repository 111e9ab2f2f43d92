#include "items/item_engine.h"

#include "items/folder_plan.h"
#include "items/item_path.h"
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

}  // namespace

ItemPlan BeginPlan(const PlatformServices& services, const ItemDefinition& item)
{
    ItemPlan plan;
    plan.keep = item.keep;
    plan.keepByCookieHost = item.keepByCookieHost;
    for (const ItemTarget& target : item.targets) {
        PlanPart& part = plan.parts.emplace_back();
        part.what = target;
        if (!item.exclude.empty()) {
            // What an exclusion keeps is not told apart here yet: the item would remove it.
            part.target = std::holds_alternative<FolderTarget>(target) ? std::get<FolderTarget>(target).path : L"";
            part.problem = Error{error_number::kPermissionDenied, L"Its exclusions cannot be applied: not cleaned"};
        } else if (std::holds_alternative<FolderTarget>(target)) {
            FindFolder(services, part);
        } else {
            part.target = KeyDisplayName(std::get<RegistryTarget>(target).root, std::get<RegistryTarget>(target).key);
        }
    }
    Summarise(plan);
    return plan;
}

void ListPlan(const PlatformServices& services, ItemPlan& plan, Foresight foresight, RunPace& pace)
{
    for (std::size_t part = 0; part < plan.parts.size(); ++part) {
        if (std::holds_alternative<FolderTarget>(plan.parts[part].what)) {
            ListFolder(services, plan, part, foresight, pace);
        } else {
            ListRegistry(services.registry, plan, part, pace);
        }
    }
    Summarise(plan);
}

ItemPlan PlanItem(const PlatformServices& services, const ItemDefinition& item, Foresight foresight, RunPace& pace)
{
    ItemPlan plan = BeginPlan(services, item);
    ListPlan(services, plan, foresight, pace);
    return plan;
}

std::size_t CarryItem(const PlatformServices& services, ItemPlan& plan, RunPace& pace)
{
    std::size_t removed = 0;
    FolderCarrier folders(plan);
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
            for (const std::wstring& path : ExpandItemPath(services.environment, detection.path, services.files.Separator())) {
                if (services.files.Exists(path)) {
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace nivaro
