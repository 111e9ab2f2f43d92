#include "items/registry_plan.h"

#include "registry/mod_reg.h"

namespace nivaro {
namespace {

// Why a key's values cannot be worked on at all; nothing for a key that is merely not there.
std::optional<Error> ProblemOf(const ListKeyFailure& failure)
{
    switch (failure.kind) {
    case ListKeyFailure::kMissing:
        return std::nullopt;
    case ListKeyFailure::kLink:
        return Error{error_number::kPermissionDenied, L"the key is a link"};
    case ListKeyFailure::kCannotOpen:
        break;
    }
    return Error{static_cast<std::int32_t>(failure.status),
                 L"The key cannot be opened (error " + std::to_wstring(failure.status) + L")"};
}

}  // namespace

ItemPlan PlanRegistryList(RegistryApi& registry, RegistryRoot root, std::wstring_view path, RunPace& pace)
{
    ItemPlan plan;
    plan.target = KeyDisplayName(root, path);
    auto list = OpenListKey(registry, root, path);
    if (!list) {
        plan.problem = ProblemOf(list.error());
        return plan;
    }
    std::vector<std::wstring> names = EnumerateValueNames(registry, list->key, &pace);
    plan.targets.reserve(names.size());
    for (std::wstring& name : names) {
        PlannedTarget& target = plan.targets.emplace_back();
        target.entry.name = std::move(name);
        target.remove = list->mayDelete;
        target.reason = list->mayDelete ? LeaveReason::kNone : LeaveReason::kRefused;
    }
    return plan;
}

std::size_t CarryRegistryList(RegistryApi& registry, RegistryRoot root, std::wstring_view path, ItemPlan& plan,
                              RunPace& pace)
{
    if (plan.problem) {
        return 0;
    }
    for (PlannedTarget& target : plan.targets) {
        target.removed = false;
        target.reason = LeaveReason::kRefused;  // until the registry says otherwise
    }
    auto list = OpenListKey(registry, root, path);
    if (!list) {
        // Gone since it was listed, or turned into a link: nothing of it is touched.
        const bool gone = list.error().kind == ListKeyFailure::kMissing;
        for (PlannedTarget& target : plan.targets) {
            target.reason = gone ? LeaveReason::kGone : LeaveReason::kRefused;
        }
        plan.problem = ProblemOf(list.error());
        return 0;
    }
    if (!list->mayDelete) {
        return 0;
    }
    std::vector<std::wstring> names;
    names.reserve(plan.targets.size());
    for (const PlannedTarget& target : plan.targets) {
        names.push_back(target.entry.name);
    }
    return DeleteNamedValues(
        registry, list->key, names,
        [&](std::size_t index, long status) {
            PlannedTarget& target = plan.targets[index];
            target.removed = status == reg_status::kSuccess;
            target.reason = target.removed                        ? LeaveReason::kNone
                            : status == reg_status::kFileNotFound ? LeaveReason::kGone
                                                                  : LeaveReason::kRefused;
        },
        &pace);
}

}  // namespace nivaro
