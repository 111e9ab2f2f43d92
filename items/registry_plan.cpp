#include "items/registry_plan.h"

#include <algorithm>
#include <map>

#include "items/name_pattern.h"
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

std::wstring SubkeyPath(const RegistryTarget& target, const std::wstring& subkey)
{
    return subkey.empty() ? target.key : target.key + L"\\" + subkey;
}

// The values of one key of the part, as plan targets.
void ListValuesOf(RegistryApi& registry, ItemPlan& plan, std::size_t part, const std::wstring& subkey, RunPace& pace)
{
    PlanPart& planPart = plan.parts[part];
    const RegistryTarget& what = std::get<RegistryTarget>(planPart.what);
    auto list = OpenListKey(registry, what.root, SubkeyPath(what, subkey));
    if (!list) {
        if (subkey.empty()) {
            planPart.problem = ProblemOf(list.error());
        } else if (list.error().kind != ListKeyFailure::kMissing) {
            // A subkey that is a link, or cannot be opened: it stays, said once for all its values.
            PlannedTarget& target = plan.targets.emplace_back();
            target.part = part;
            target.subkey = subkey;
            target.remove = false;
            target.reason = list.error().kind == ListKeyFailure::kLink ? LeaveReason::kLink : LeaveReason::kRefused;
        }
        return;
    }
    for (std::wstring& name : EnumerateValueNames(registry, list->key, &pace)) {
        if (what.value && !SameIgnoringCase(name, *what.value)) {
            continue;
        }
        PlannedTarget& target = plan.targets.emplace_back();
        target.entry.name = std::move(name);
        target.part = part;
        target.subkey = subkey;
        const bool kept = MatchesAny(target.entry.name, plan.keep);
        target.remove = !kept && list->mayDelete;
        target.reason = kept ? LeaveReason::kKeepList : list->mayDelete ? LeaveReason::kNone : LeaveReason::kRefused;
    }
}

}  // namespace

void ListRegistry(RegistryApi& registry, ItemPlan& plan, std::size_t part, RunPace& pace)
{
    PlanPart& planPart = plan.parts[part];
    if (planPart.problem) {
        return;  // refused before it was listed
    }
    const RegistryTarget what = std::get<RegistryTarget>(planPart.what);
    planPart.target = KeyDisplayName(what.root, what.key);
    if (what.value) {
        planPart.target += L" (value \"" + *what.value + L"\")";
    }
    if (!what.eachSubkey) {
        ListValuesOf(registry, plan, part, {}, pace);
        return;
    }
    planPart.target += L" (each subkey)";
    // The key itself only holds the subkeys: opened as itself, and refused when it is a link.
    auto parent = OpenListKey(registry, what.root, what.key);
    if (!parent) {
        planPart.problem = ProblemOf(parent.error());
        return;
    }
    for (const std::wstring& subkey : EnumerateSubkeyNames(registry, parent->key)) {
        ListValuesOf(registry, plan, part, subkey, pace);
    }
}

std::size_t CarryRegistry(RegistryApi& registry, ItemPlan& plan, RunPace& pace)
{
    // The targets of each key, by part and subkey.
    std::map<std::pair<std::size_t, std::wstring>, std::vector<std::size_t>> byKey;
    for (std::size_t index = 0; index < plan.targets.size(); ++index) {
        PlannedTarget& target = plan.targets[index];
        if (!std::holds_alternative<RegistryTarget>(plan.parts[target.part].what)) {
            continue;
        }
        target.removed = false;
        if (plan.parts[target.part].problem || target.reason == LeaveReason::kKeepList ||
            target.reason == LeaveReason::kLink) {
            target.remove = false;
            continue;
        }
        byKey[{target.part, target.subkey}].push_back(index);
    }
    std::size_t removed = 0;
    for (const auto& [where, indexes] : byKey) {
        const RegistryTarget& what = std::get<RegistryTarget>(plan.parts[where.first].what);
        auto list = OpenListKey(registry, what.root, SubkeyPath(what, where.second));
        if (!list || !list->mayDelete) {
            // Gone since it was listed, turned into a link, or refusing deletes: nothing of it is touched.
            const bool gone = !list && list.error().kind == ListKeyFailure::kMissing;
            for (std::size_t index : indexes) {
                plan.targets[index].remove = false;
                plan.targets[index].reason = gone ? LeaveReason::kGone : LeaveReason::kRefused;
            }
            continue;
        }
        std::vector<std::wstring> names;
        names.reserve(indexes.size());
        for (std::size_t index : indexes) {
            names.push_back(plan.targets[index].entry.name);
            plan.targets[index].remove = true;
        }
        removed += DeleteNamedValues(
            registry, list->key, names,
            [&](std::size_t at, long status) {
                PlannedTarget& target = plan.targets[indexes[at]];
                target.removed = status == reg_status::kSuccess;
                target.reason = target.removed                        ? LeaveReason::kNone
                                : status == reg_status::kFileNotFound ? LeaveReason::kGone
                                                                      : LeaveReason::kRefused;
            },
            &pace);
    }
    return removed;
}

}  // namespace nivaro
