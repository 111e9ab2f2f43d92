#include "items/exclusions.h"

#include <algorithm>

#include "items/folder_expansion.h"
#include "items/item_paths.h"
#include "items/name_pattern.h"
#include "platform/name_case.h"

namespace nivaro {
namespace {

// The folders an exclusion's path matches, where they really are.
class MatchedPaths final : public ExpansionSink {
public:
    std::size_t Entered(std::size_t, const std::wstring&, const FolderHandle&) override { return 0; }
    void Matched(std::size_t, FolderHandle& folder) override { paths.push_back(folder.Path()); }
    void Passed(std::size_t, const ShellEntry&, LeaveReason) override {}

    std::vector<std::wstring> paths;
};

Error NotUnderstood(std::wstring_view path, std::wstring_view why)
{
    return {error_number::kPathNotFound,
            L"An exclusion of the item names " + std::wstring(path) + L", which " + std::wstring(why) +
                L": nothing it could keep is cleaned"};
}

std::vector<std::wstring_view> KeyComponents(std::wstring_view key)
{
    std::vector<std::wstring_view> components;
    while (!key.empty()) {
        const std::size_t slash = key.find(L'\\');
        if (slash != 0) {
            components.push_back(key.substr(0, slash));
        }
        key = slash == std::wstring_view::npos ? std::wstring_view() : key.substr(slash + 1);
    }
    return components;
}

// Whether `key` is `named` or lies below it.
bool IsSameKeyOrBelow(std::wstring_view key, std::wstring_view named)
{
    const std::vector<std::wstring_view> inner = KeyComponents(key);
    const std::vector<std::wstring_view> outer = KeyComponents(named);
    return inner.size() >= outer.size() &&
           std::ranges::equal(outer, std::span(inner).first(outer.size()), [](auto a, auto b) { return SameName(a, b); });
}

}  // namespace

FileExclusions FileExclusions::Resolve(const PlatformServices& services, std::span<const Exclusion> exclusions)
{
    FileExclusions resolved;
    resolved.separator_ = services.files.Separator();
    FolderBudget budget;
    for (const Exclusion& exclusion : exclusions) {
        if (exclusion.kind == Exclusion::Kind::kRegistry) {
            continue;
        }
        const std::wstring path = ExpandItemPath(services, exclusion.path);
        if (services.files.Form(path) != PathForm::kFull) {
            resolved.problem_ = NotUnderstood(path, L"is no full local path");
            return resolved;
        }
        const WildcardPath split = SplitAtWildcards(path, services.files.Separator());
        auto base = services.files.OpenFolder(split.base);
        if (!base) {
            const long number = base.error().number;
            if (number == file_status::kFileNotFound || number == file_status::kPathNotFound) {
                continue;  // nothing there to keep
            }
            const auto leaf = split.components.empty() ? SplitLeaf(path, services.files.Separator()) : std::nullopt;
            auto parent = leaf && number == file_status::kDirectoryInvalid ? services.files.OpenFolder(leaf->first)
                                                                           : decltype(base)(std::unexpected(base.error()));
            if (!parent) {
                resolved.problem_ = NotUnderstood(path, L"cannot be opened (" + base.error().description + L")");
                return resolved;
            }
            // A path that names a file keeps that file.
            resolved.kept_.push_back({(*parent)->Path(), false, {leaf->second}});
            continue;
        }
        MatchedPaths matched;
        if (Result<> expanded = ExpandFolders(**base, 0, split.components, budget, matched); !expanded) {
            resolved.problem_ = NotUnderstood(path, L"cannot be listed (" + expanded.error().description + L")");
            return resolved;
        }
        for (std::wstring& folder : matched.paths) {
            resolved.kept_.push_back({std::move(folder), exclusion.kind == Exclusion::Kind::kPath, exclusion.patterns});
        }
    }
    return resolved;
}

FolderRules FileExclusions::RulesFor(std::wstring_view folder) const
{
    FolderRules rules;
    for (const Kept& kept : kept_) {
        const bool reaches = kept.below ? IsSameOrInside(folder, kept.folder, separator_) : SameName(folder, kept.folder);
        if (!reaches) {
            continue;
        }
        if (kept.patterns.empty()) {
            rules.excludeAll = true;
        } else {
            rules.excludePatterns.insert(rules.excludePatterns.end(), kept.patterns.begin(), kept.patterns.end());
        }
    }
    return rules;
}

bool ExcludedBy(const FolderRules& rules, const ShellEntry& entry)
{
    return rules.excludeAll || MatchesAny(entry.name, rules.excludePatterns) ||
           (entry.name != entry.parsingName && MatchesAny(entry.parsingName, rules.excludePatterns));
}

bool ExcludesKey(std::span<const Exclusion> exclusions, RegistryRoot root, std::wstring_view key)
{
    return std::ranges::any_of(exclusions, [&](const Exclusion& e) {
        return e.kind == Exclusion::Kind::kRegistry && e.root == root && !e.value && IsSameKeyOrBelow(key, e.path);
    });
}

bool ExcludesValue(std::span<const Exclusion> exclusions, RegistryRoot root, std::wstring_view key,
                   std::wstring_view value)
{
    return ExcludesKey(exclusions, root, key) || std::ranges::any_of(exclusions, [&](const Exclusion& e) {
               return e.kind == Exclusion::Kind::kRegistry && e.root == root && e.value &&
                      KeyComponents(key).size() == KeyComponents(e.path).size() && IsSameKeyOrBelow(key, e.path) &&
                      SameName(*e.value, value);
           });
}

}  // namespace nivaro
