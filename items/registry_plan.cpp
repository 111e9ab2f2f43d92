#include "items/registry_plan.h"

#include <algorithm>
#include <map>

#include "items/exclusions.h"
#include "items/folder_expansion.h"
#include "items/name_pattern.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

// How many keys below the one it names a whole-key target goes; what lies deeper stays.
constexpr std::size_t kDeepestKey = 32;

// A part whose key cannot be listed: nothing to do when it is missing, else why it cannot run.
void Refuse(PlanPart& part, const ListKeyFailure& failure)
{
    part.absent = failure.kind == ListKeyFailure::kMissing;
    switch (failure.kind) {
    case ListKeyFailure::kMissing:
        return;
    case ListKeyFailure::kLink:
        part.problem = Error{error_number::kPermissionDenied, L"the key is a link"};
        part.reason = LeaveReason::kLink;
        return;
    case ListKeyFailure::kCannotOpen:
        break;
    }
    part.problem = Error{static_cast<std::int32_t>(failure.status),
                         L"The key cannot be opened (error " + std::to_wstring(failure.status) + L")"};
}

std::wstring JoinKey(const std::wstring& key, const std::wstring& below)
{
    return below.empty() ? key : key.empty() ? below : key + L"\\" + below;
}

std::wstring SubkeyPath(const RegistryTarget& target, const std::wstring& subkey)
{
    return JoinKey(target.key, subkey);
}

// The key a path below an open key leads to, each step opened relative to the one before it as
// itself: a step that is a link refuses the whole path.
std::expected<RegistryKey, LeaveReason> OpenBelow(RegistryApi& registry, const RegistryKey& from, std::wstring_view path,
                                                   KeyAccess access)
{
    RegistryKey at;
    const RegistryKey* current = &from;
    while (!path.empty()) {
        const std::size_t slash = path.find(L'\\');
        const std::wstring_view step = path.substr(0, slash);
        path = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash + 1);
        RegistryKey next;
        const long status =
            registry.OpenSubkey(*current, step, path.empty() ? access : KeyAccess::kQuery, KeyLinks::kOpenLinkItself, next);
        if (status != reg_status::kSuccess) {
            return std::unexpected(status == reg_status::kFileNotFound ? LeaveReason::kGone : LeaveReason::kRefused);
        }
        if (IsLinkKey(registry, next)) {
            return std::unexpected(LeaveReason::kLink);
        }
        at = std::move(next);
        current = &at;
    }
    if (current == &from) {
        return std::unexpected(LeaveReason::kRefused);  // the path names no key below
    }
    return at;
}

PlannedTarget& AddTarget(ItemPlan& plan, std::size_t part, std::wstring name, std::wstring subkey)
{
    PlannedTarget& target = plan.targets.emplace_back();
    target.entry.name = std::move(name);
    target.part = part;
    target.subkey = std::move(subkey);
    return target;
}

void Decide(PlannedTarget& target, LeaveReason why, bool settled = false)
{
    target.remove = why == LeaveReason::kNone;
    target.reason = why;
    target.settled = settled;
}

// Why a value the listing found stays, or kNone when it goes.
LeaveReason ValueReason(const ItemPlan& plan, const RegistryTarget& what, const std::wstring& key,
                        const std::wstring& name, bool mayDelete)
{
    if (ExcludesValue(plan.exclude, what.root, key, name)) {
        return LeaveReason::kExcluded;
    }
    if (MatchesAny(name, plan.keep)) {
        return LeaveReason::kKeepList;
    }
    return mayDelete ? LeaveReason::kNone : LeaveReason::kRefused;
}

// The values of one key of the part, as plan targets.
void ListValuesOf(RegistryApi& registry, ItemPlan& plan, std::size_t part, const std::wstring& subkey, RunPace& pace)
{
    PlanPart& planPart = plan.parts[part];
    const RegistryTarget& what = std::get<RegistryTarget>(planPart.what);
    auto list = OpenListKey(registry, what.root, SubkeyPath(what, subkey));
    if (!list) {
        if (subkey.empty()) {
            Refuse(planPart, list.error());
        } else if (list.error().kind != ListKeyFailure::kMissing) {
            // A subkey that is a link, or cannot be opened: it stays, said once for all its values.
            Decide(AddTarget(plan, part, {}, subkey),
                   list.error().kind == ListKeyFailure::kLink ? LeaveReason::kLink : LeaveReason::kRefused);
        }
        return;
    }
    const std::wstring key = SubkeyPath(what, subkey);
    for (std::wstring& name : EnumerateValueNames(registry, list->key, &pace)) {
        if (what.value && !SameIgnoringCase(name, *what.value)) {
            continue;
        }
        PlannedTarget& target = AddTarget(plan, part, std::move(name), subkey);
        Decide(target, ValueReason(plan, what, key, target.entry.name, list->mayDelete));
    }
}

// A key and everything below it: its values, then each subkey's (a subkey that is a link goes as
// the link, never entered), then the key itself once emptied.
class KeyWalk {
public:
    KeyWalk(RegistryApi& registry, ItemPlan& plan, std::size_t part, RunPace& pace)
        : registry_(registry), plan_(plan), part_(part), what_(std::get<RegistryTarget>(plan.parts[part].what)), pace_(pace)
    {
    }

    void Run()
    {
        PlanPart& part = plan_.parts[part_];
        auto list = OpenListKey(registry_, what_.root, what_.key);
        if (!list) {
            Refuse(part, list.error());
            return;
        }
        const std::wstring own = what_.key.substr(what_.key.find_last_of(L'\\') + 1);
        if (ExcludesKey(plan_.exclude, what_.root, what_.key)) {
            Decide(AddTarget(plan_, part_, own, {}), LeaveReason::kExcluded, true);
            return;
        }
        const bool emptied = Walk(*list, {}, 0);
        AddKey(own, {}, emptied ? LeaveReason::kNone : LeaveReason::kNotEmpty);
    }

private:
    // Whether the key would be empty once its values and subkeys are gone.
    bool Walk(const ListKey& key, const std::wstring& below, std::size_t depth)
    {
        const std::wstring path = SubkeyPath(what_, below);
        bool emptied = true;
        for (std::wstring& name : EnumerateValueNames(registry_, key.key, &pace_)) {
            PlannedTarget& target = AddTarget(plan_, part_, std::move(name), below);
            Decide(target, ValueReason(plan_, what_, path, target.entry.name, key.mayDelete));
            emptied = emptied && target.remove;
        }
        for (const std::wstring& name : EnumerateSubkeyNames(registry_, key.key)) {
            const std::wstring subkey = JoinKey(below, name);
            const LeaveReason why = Subkey(key, name, subkey, depth);
            emptied = emptied && why == LeaveReason::kNone;
        }
        return emptied;
    }

    LeaveReason Subkey(const ListKey& parent, const std::wstring& name, const std::wstring& subkey, std::size_t depth)
    {
        if (ExcludesKey(plan_.exclude, what_.root, SubkeyPath(what_, subkey))) {
            return AddKey(subkey, subkey, LeaveReason::kExcluded, true);
        }
        if (depth + 1 > kDeepestKey) {
            return AddKey(subkey, subkey, LeaveReason::kTooDeep, true);
        }
        if (!budget_.Take()) {
            return AddKey(subkey, subkey, LeaveReason::kWalkLimit, true);
        }
        auto child = OpenListSubkey(registry_, parent.key, name);
        if (!child) {
            switch (child.error().kind) {
            case ListKeyFailure::kMissing:
                return LeaveReason::kNone;  // gone since it was listed: nothing of it to remove
            case ListKeyFailure::kLink:
                return AddKey(subkey, subkey, parent.mayDelete ? LeaveReason::kNone : LeaveReason::kRefused);
            case ListKeyFailure::kCannotOpen:
                break;
            }
            return AddKey(subkey, subkey, LeaveReason::kRefused, true);
        }
        const bool emptied = Walk(*child, subkey, depth + 1);
        return AddKey(subkey, subkey, emptied ? LeaveReason::kNone : LeaveReason::kNotEmpty);
    }

    LeaveReason AddKey(const std::wstring& name, const std::wstring& subkey, LeaveReason why, bool settled = false)
    {
        PlannedTarget& target = AddTarget(plan_, part_, name, subkey);
        target.container = true;
        Decide(target, why, settled);
        return why;
    }

    RegistryApi& registry_;
    ItemPlan& plan_;
    std::size_t part_;
    const RegistryTarget& what_;
    RunPace& pace_;
    FolderBudget budget_;
};

// The values of one key of a part, deleted by their exact names, last to first.
std::size_t DeleteValuesOf(RegistryApi& registry, ItemPlan& plan, const RegistryKey& key,
                           const std::vector<std::size_t>& indexes, RunPace& pace)
{
    std::vector<std::wstring> names;
    names.reserve(indexes.size());
    for (std::size_t index : indexes) {
        names.push_back(plan.targets[index].entry.name);
        plan.targets[index].remove = true;
    }
    return DeleteNamedValues(
        registry, key, names,
        [&](std::size_t at, long status) {
            PlannedTarget& target = plan.targets[indexes[at]];
            target.removed = status == reg_status::kSuccess;
            target.reason = target.removed                        ? LeaveReason::kNone
                            : status == reg_status::kFileNotFound ? LeaveReason::kGone
                                                                  : LeaveReason::kRefused;
        },
        &pace);
}

void Leave(ItemPlan& plan, const std::vector<std::size_t>& indexes, LeaveReason why)
{
    for (std::size_t index : indexes) {
        plan.targets[index].remove = false;
        plan.targets[index].reason = why;
    }
}

// Carries out a whole-key part in the order it was listed: each key's values, then the key once
// nothing is left in it but its unnamed default value, which goes with it.
class KeyCarrier {
public:
    KeyCarrier(RegistryApi& registry, ItemPlan& plan, std::size_t part, RunPace& pace)
        : registry_(registry), plan_(plan), part_(part), what_(std::get<RegistryTarget>(plan.parts[part].what)), pace_(pace)
    {
    }

    std::size_t Run()
    {
        auto top = OpenListKey(registry_, what_.root, what_.key);
        std::size_t removed = 0;
        std::vector<std::size_t> values;
        std::wstring valuesOf;
        auto flush = [&] {
            if (values.empty()) {
                return;
            }
            if (!top) {
                Leave(plan_, values, top.error().kind == ListKeyFailure::kMissing ? LeaveReason::kGone : LeaveReason::kRefused);
            } else if (valuesOf.empty()) {
                removed += DeleteValuesOf(registry_, plan_, top->key, values, pace_);
            } else if (auto key = OpenBelow(registry_, top->key, valuesOf, KeyAccess::kQueryAndSet)) {
                removed += DeleteValuesOf(registry_, plan_, *key, values, pace_);
            } else {
                Leave(plan_, values, key.error());
            }
            values.clear();
        };
        for (std::size_t index = 0; index < plan_.targets.size(); ++index) {
            PlannedTarget& target = plan_.targets[index];
            if (target.part != part_) {
                continue;
            }
            target.removed = false;
            if (target.settled || target.reason == LeaveReason::kKeepList || target.reason == LeaveReason::kExcluded) {
                continue;
            }
            if (!target.container) {
                if (target.subkey != valuesOf) {
                    flush();
                    valuesOf = target.subkey;
                }
                values.push_back(index);
                continue;
            }
            flush();
            target.remove = true;
            target.reason = top ? RemoveKey(top->key, target.subkey)
                                : (top.error().kind == ListKeyFailure::kMissing ? LeaveReason::kGone : LeaveReason::kRefused);
            target.removed = target.reason == LeaveReason::kNone;
            removed += target.removed ? 1 : 0;
        }
        flush();
        return removed;
    }

private:
    // The key at `subkey` below the part's key, through its own handle, when it holds nothing but
    // its default value: a link goes as the link. Its parent is asked afterwards whether it is gone.
    LeaveReason RemoveKey(const RegistryKey& top, const std::wstring& subkey)
    {
        RegistryKey parentOfTop;
        std::expected<RegistryKey, LeaveReason> parentBelow = std::unexpected(LeaveReason::kNone);
        const RegistryKey* parent = &top;
        std::wstring name = subkey;
        if (subkey.empty()) {
            // The part's own key, from the key that holds it.
            const std::size_t slash = what_.key.find_last_of(L'\\');
            if (slash == std::wstring::npos ||
                registry_.OpenKey(what_.root, what_.key.substr(0, slash), KeyAccess::kQuery, parentOfTop) !=
                    reg_status::kSuccess) {
                return LeaveReason::kRefused;
            }
            parent = &parentOfTop;
            name = what_.key.substr(slash + 1);
        } else if (const std::size_t slash = subkey.find_last_of(L'\\'); slash != std::wstring::npos) {
            parentBelow = OpenBelow(registry_, top, subkey.substr(0, slash), KeyAccess::kQuery);
            if (!parentBelow) {
                return parentBelow.error();
            }
            parent = &*parentBelow;
            name = subkey.substr(slash + 1);
        }
        RegistryKey key;
        const long opened = registry_.OpenSubkey(*parent, name, KeyAccess::kQuerySetAndDelete, KeyLinks::kOpenLinkItself, key);
        if (opened != reg_status::kSuccess) {
            return opened == reg_status::kFileNotFound ? LeaveReason::kGone : LeaveReason::kRefused;
        }
        if (!IsLinkKey(registry_, key) && !HoldsNothing(key)) {
            return LeaveReason::kNotEmpty;
        }
        if (registry_.DeleteKey(key) != reg_status::kSuccess) {
            return LeaveReason::kRefused;
        }
        key.reset();
        RegistryKey still;
        return registry_.OpenSubkey(*parent, name, KeyAccess::kQuery, KeyLinks::kOpenLinkItself, still) ==
                       reg_status::kFileNotFound
                   ? LeaveReason::kNone
                   : LeaveReason::kChanged;
    }

    // No subkey and no named value: a key whose unnamed default value alone is left goes with it.
    bool HoldsNothing(const RegistryKey& key)
    {
        KeyInfo info;
        if (registry_.QueryInfoKey(key, info) != reg_status::kSuccess || info.subkeyCount > 0) {
            return false;
        }
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        const bool hasDefault = registry_.QueryValue(key, L"", type, {}, size) == reg_status::kSuccess;
        return info.valueCount == (hasDefault ? 1u : 0u);
    }

    RegistryApi& registry_;
    ItemPlan& plan_;
    std::size_t part_;
    const RegistryTarget& what_;
    RunPace& pace_;
};

}  // namespace

void ListRegistry(RegistryApi& registry, ItemPlan& plan, std::size_t part, RunPace& pace)
{
    PlanPart& planPart = plan.parts[part];
    if (planPart.problem) {
        return;  // refused before it was listed
    }
    const RegistryTarget what = std::get<RegistryTarget>(planPart.what);
    planPart.target = KeyDisplayName(what.root, what.key);
    if (what.wholeKey) {
        planPart.target += L" (with everything below it)";
        if (what.root != kCurrentUser) {
            planPart.problem = Error{error_number::kPermissionDenied,
                                     L"A key outside HKEY_CURRENT_USER is never deleted"};
            return;
        }
        KeyWalk(registry, plan, part, pace).Run();
        return;
    }
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
        Refuse(planPart, parent.error());
        return;
    }
    for (const std::wstring& subkey : EnumerateSubkeyNames(registry, parent->key)) {
        ListValuesOf(registry, plan, part, subkey, pace);
    }
}

std::size_t CarryRegistry(RegistryApi& registry, ItemPlan& plan, RunPace& pace)
{
    std::size_t removed = 0;
    // The targets of each key, by part and subkey.
    std::map<std::pair<std::size_t, std::wstring>, std::vector<std::size_t>> byKey;
    for (std::size_t part = 0; part < plan.parts.size(); ++part) {
        const auto* what = std::get_if<RegistryTarget>(&plan.parts[part].what);
        if (what != nullptr && what->wholeKey && !plan.parts[part].problem) {
            removed += KeyCarrier(registry, plan, part, pace).Run();
        }
    }
    for (std::size_t index = 0; index < plan.targets.size(); ++index) {
        PlannedTarget& target = plan.targets[index];
        const auto* what = std::get_if<RegistryTarget>(&plan.parts[target.part].what);
        if (what == nullptr || (what->wholeKey && !plan.parts[target.part].problem)) {
            continue;
        }
        target.removed = false;
        if (plan.parts[target.part].problem || target.reason == LeaveReason::kKeepList ||
            target.reason == LeaveReason::kExcluded || target.reason == LeaveReason::kLink) {
            target.remove = false;
            continue;
        }
        byKey[{target.part, target.subkey}].push_back(index);
    }
    for (const auto& [where, indexes] : byKey) {
        const RegistryTarget& what = std::get<RegistryTarget>(plan.parts[where.first].what);
        auto list = OpenListKey(registry, what.root, SubkeyPath(what, where.second));
        if (!list || !list->mayDelete) {
            // Gone since it was listed, turned into a link, or refusing deletes: nothing of it is touched.
            const bool gone = !list && list.error().kind == ListKeyFailure::kMissing;
            Leave(plan, indexes, gone ? LeaveReason::kGone : LeaveReason::kRefused);
            continue;
        }
        removed += DeleteValuesOf(registry, plan, list->key, indexes, pace);
    }
    return removed;
}

}  // namespace nivaro
