#include "main/item_preview.h"

#include <algorithm>
#include <variant>

#include "platform/name_case.h"
#include "registry/mod_reg.h"
#include "platform/visible_text.h"

namespace nivaro {
namespace {

// The key a registry target's value is in, below its root.
std::wstring KeyOf(const RegistryTarget& part, const PlannedTarget& target)
{
    return target.subkey.empty() ? part.key : part.key + L"\\" + target.subkey;
}

// `key`'s path, then the value's name: the key alone for what stands for the whole key.
std::wstring ValuePath(std::wstring key, std::wstring_view value)
{
    if (!key.empty() && !value.empty()) {
        key += L'\\';
    }
    return key.append(value);
}

}  // namespace

std::wstring PreviewTip(const ItemPlan& plan, const CountFormat& count, std::size_t names)
{
    if (plan.problem) {
        return Visible(plan.problem->description);
    }
    std::wstring listed;
    std::size_t toRemove = 0;
    for (const PlannedTarget& target : plan.targets) {
        if (!target.remove) {
            continue;
        }
        if (toRemove < names) {
            listed += (toRemove == 0 ? L": " : L", ") + Visible(target.Label());
        }
        ++toRemove;
    }
    const std::size_t toLeave = plan.targets.size() - toRemove;
    if (toRemove == 0) {
        return CountsText(0, toLeave, CountStage::kPreview, count, ZeroCounts::kLeftOut);
    }
    // The names follow the count they belong to, and what would stay goes on a line of its own.
    std::wstring tip = RemoveCount(toRemove, CountStage::kPreview, count) + listed;
    if (toRemove > names) {
        tip += L" and " + count(toRemove - names) + L" more";
    }
    if (toLeave > 0) {
        tip += L"\n" + LeaveCount(toLeave, CountStage::kPreview, count);
    }
    return tip;
}

std::wstring PreviewTip(const ItemPlan& plan)
{
    return PreviewTip(plan, PlainCount);
}

std::optional<std::pair<RegistryRoot, std::wstring>> ItemKey(const ItemPlan& plan)
{
    std::optional<std::pair<RegistryRoot, std::wstring>> common;
    for (const PlannedTarget& target : plan.targets) {
        const auto* part = std::get_if<RegistryTarget>(&plan.parts[target.part].what);
        if (part == nullptr) {
            continue;
        }
        const std::wstring key = KeyOf(*part, target);
        if (!common) {
            common.emplace(part->root, key);
            continue;
        }
        if (common->first != part->root) {
            return std::nullopt;
        }
        // Shortened to the keys both paths begin with.
        std::wstring& shared = common->second;
        std::size_t end = 0;
        for (std::size_t at = 0; at <= std::min(shared.size(), key.size()); ++at) {
            const bool endsBoth = (at == shared.size() || shared[at] == L'\\') && (at == key.size() || key[at] == L'\\');
            if (endsBoth && SameName(std::wstring_view(shared).substr(0, at), std::wstring_view(key).substr(0, at))) {
                end = at;
            }
        }
        shared.resize(end);
    }
    return common;
}

ValueNames NameValue(const ItemPlan& plan, const std::optional<std::pair<RegistryRoot, std::wstring>>& itemKey,
                     const PlannedTarget& target)
{
    const auto& part = std::get<RegistryTarget>(plan.parts[target.part].what);
    // A key to remove is named by its own path; its entry's name only repeats the path's end.
    const std::wstring key = KeyOf(part, target);
    const std::wstring_view value = target.container ? std::wstring_view() : std::wstring_view(target.entry.name);
    ValueNames names{.key = KeyDisplayName(part.root, key)};
    if (itemKey && itemKey->first == part.root && key.size() >= itemKey->second.size()) {
        const std::wstring_view below = std::wstring_view(key).substr(itemKey->second.size());
        names.relative = ValuePath(std::wstring(below.starts_with(L'\\') ? below.substr(1) : below), value);
    } else {
        names.relative = ValuePath(names.key, value);
    }
    if (names.relative.empty()) {
        names.relative = target.entry.name;  // the item's own key, by the name its plan gives it
    }
    return names;
}

std::vector<std::wstring> PreviewLines(const ItemPlan& plan)
{
    std::vector<std::wstring> lines;
    for (const PlanPart& part : plan.parts) {
        if (part.problem) {
            lines.push_back(L"cannot run: " + Visible(part.problem->description));
        }
    }
    const auto itemKey = ItemKey(plan);
    for (const PlannedTarget& target : plan.targets) {
        // A name may hold a NUL, which would end the box's text there, or a line break that would
        // forge a line of its own.
        std::wstring name = Visible(std::holds_alternative<RegistryTarget>(plan.parts[target.part].what)
                                        ? NameValue(plan, itemKey, target).relative
                                    : target.entry.path.empty() ? target.Label()
                                                                : target.entry.path);
        if (target.rows) {
            name += L": " + Visible(target.entry.name) + L" (" + PlainCount(*target.rows) +
                    (*target.rows == 1 ? L" row)" : L" rows)");
        }
        const std::wstring why = target.note.empty() ? std::wstring(LeaveReasonText(target.reason)) : Visible(target.note);
        lines.push_back(target.remove ? L"remove  " + name : L"leave   " + name + L"  [" + why + L"]");
    }
    return lines;
}

std::wstring CountingTip(std::uint64_t seen, const CountFormat& count)
{
    return seen == 0 ? L"Counting..." : L"Counting... " + count(seen) + L" so far";
}

}  // namespace nivaro
