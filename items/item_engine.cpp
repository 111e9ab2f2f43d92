#include "items/item_engine.h"

#include <algorithm>

#include "items/folder_plan.h"
#include "items/item_paths.h"
#include "items/name_pattern.h"
#include "items/registry_plan.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

bool KeyExists(const PlatformServices& services, const Detection& detection)
{
    // A machine's keys may be in the 32-bit programs' view or the 64-bit ones': either will do.
    const bool twoViews = detection.root == kLocalMachine || detection.root == kClassesRoot;
    const std::vector<RegistryView> views =
        twoViews ? std::vector{RegistryView::k64, RegistryView::k32} : std::vector{RegistryView::kOwn};
    for (RegistryView view : views) {
        RegistryKey key;
        if (services.registry.OpenKeyToRead(detection.root, detection.path, view, key) == reg_status::kSuccess) {
            return true;
        }
    }
    return false;
}

// Whether the folder holds an entry of a name the pattern takes.
class AnyEntryMatching final : public ExpansionSink {
public:
    explicit AnyEntryMatching(std::wstring_view pattern) : pattern_(pattern) {}

    std::size_t Entered(std::size_t, const std::wstring&, const FolderHandle&) override { return 0; }
    void Matched(std::size_t, FolderHandle& folder) override
    {
        std::vector<ShellEntry> listed;
        for (Result<bool> more = true; !found && more && *more;) {
            listed.clear();
            more = folder.Next(listed, 256);
            found = std::ranges::any_of(listed, [&](const ShellEntry& entry) { return MatchesPattern(entry.parsingName, pattern_); });
        }
    }
    void Passed(std::size_t, const ShellEntry&, LeaveReason) override {}

    bool found = false;

private:
    std::wstring pattern_;
};

// A file or folder at the path, whose components may hold wildcards; only read.
bool PathExists(const PlatformServices& services, const std::wstring& path)
{
    if (services.files.Form(path) != PathForm::kFull) {
        return false;
    }
    if (!HasWildcard(path)) {
        return services.files.Exists(path);
    }
    const auto leaf = SplitLeaf(path, services.files.Separator());
    if (!leaf) {
        return false;
    }
    const WildcardPath folders = SplitAtWildcards(leaf->first, services.files.Separator());
    auto base = services.files.OpenFolder(folders.base);
    if (!base) {
        return false;
    }
    FolderBudget budget;
    AnyEntryMatching sink(leaf->second);
    (void)ExpandFolders(**base, 0, folders.components, budget, sink);  // what was found before a limit counts
    return sink.found;
}

// The item's summary of its parts, for the reports that show one target and one problem. Only an
// item none of whose parts can run has a problem, and it names each part's.
void Summarise(ItemPlan& plan)
{
    plan.target.clear();
    plan.problem.reset();
    const bool runs = plan.AnyPartRan();
    for (const PlanPart& part : plan.parts) {
        plan.target += (plan.target.empty() ? L"" : L"; ") + part.target;
        if (runs || !part.problem) {
            continue;
        }
        if (plan.problem) {
            plan.problem->description += L"; " + part.problem->description;
        } else {
            plan.problem = part.problem;
        }
    }
}

// Each part that cannot run while others do: its folder or key is left, with its reason, as one
// target of the plan, and the item's other parts run.
void LeaveEachPartThatCannotRun(ItemPlan& plan)
{
    if (!plan.AnyPartRan()) {
        return;
    }
    for (std::size_t index = 0; index < plan.parts.size(); ++index) {
        const PlanPart& part = plan.parts[index];
        if (!part.problem) {
            continue;
        }
        const bool folder = std::holds_alternative<FolderTarget>(part.what);
        plan.targets.push_back(PlannedTarget{.entry = {.name = part.target, .path = folder ? part.target : L""},
                                             .part = index,
                                             .container = true,
                                             .remove = false,
                                             .reason = part.reason,
                                             .settled = true});
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
    LeaveEachPartThatCannotRun(plan);
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
    return std::ranges::any_of(item.detect, [&](const Detection& detection) {
        if (detection.kind == Detection::Kind::kKey) {
            return KeyExists(services, detection);
        }
        // %ProgramFiles% and its like look in both Program Files folders.
        return std::ranges::any_of(ItemPathFolders(services.environment, detection.path, services.files.Separator()),
                                   [&](const std::wstring& path) { return PathExists(services, path); });
    });
}

}  // namespace nivaro
