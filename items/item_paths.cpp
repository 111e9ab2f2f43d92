#include "items/item_paths.h"

#include <algorithm>
#include <array>

#include "platform/name_case.h"
#include "platform/variables.h"

namespace nivaro {
namespace {

struct FolderVariable {
    std::wstring_view name;
    KnownPlace place;
};

// The format's variables that no environment sets.
constexpr std::array kFolderVariables = {
    FolderVariable{L"Documents", KnownPlace::kDocuments},
    FolderVariable{L"Music", KnownPlace::kMusic},
    FolderVariable{L"Pictures", KnownPlace::kPictures},
    FolderVariable{L"Video", KnownPlace::kVideos},
    FolderVariable{L"Videos", KnownPlace::kVideos},
    FolderVariable{L"LocalLowAppData", KnownPlace::kLocalAppDataLow},
    FolderVariable{L"CommonAppData", KnownPlace::kProgramData},
};

bool IsSeparator(wchar_t c, wchar_t separator)
{
    return c == separator || c == L'/';
}

std::optional<KnownPlace> FolderVariableNamed(std::wstring_view name)
{
    const auto found = std::ranges::find_if(kFolderVariables, [&](const FolderVariable& v) { return SameName(v.name, name); });
    return found == kFolderVariables.end() ? std::nullopt : std::optional(found->place);
}

}  // namespace

bool IsKnownFolderVariable(std::wstring_view name)
{
    return FolderVariableNamed(name).has_value();
}

std::wstring ExpandItemPath(const PlatformServices& services, std::wstring_view text)
{
    std::wstring out = ReplaceVariables(text, [&](std::wstring_view name) -> std::optional<std::wstring> {
        if (const std::optional<KnownPlace> place = FolderVariableNamed(name)) {
            return services.environment.KnownFolder(*place);  // nothing where the system has no such folder
        }
        const std::wstring variable = L"%" + std::wstring(name) + L"%";
        std::wstring expanded = services.environment.Expand(variable);
        return expanded == variable ? std::nullopt : std::optional(std::move(expanded));
    });
    if (out.size() == 2 && out[1] == L':') {
        out.push_back(services.files.Separator());
    }
    return out;
}

bool HasWildcard(std::wstring_view text)
{
    return text.find_first_of(L"*?") != std::wstring_view::npos;
}

WildcardPath SplitAtWildcards(std::wstring_view path, wchar_t separator)
{
    WildcardPath split;
    // The ? of the \\?\ and \\.\ forms is no wildcard.
    const bool device = path.size() >= 4 && IsSeparator(path[0], separator) && IsSeparator(path[1], separator) &&
                        (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3], separator);
    std::size_t start = device ? 4 : 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end], separator)) {
            ++end;
        }
        const std::wstring_view component = path.substr(start, end - start);
        if (HasWildcard(component) || !split.components.empty()) {
            if (split.components.empty()) {
                split.base = std::wstring(path.substr(0, start));
            }
            if (!component.empty()) {
                split.components.emplace_back(component);
            }
        }
        start = end + 1;
    }
    if (split.components.empty()) {
        split.base = std::wstring(path);
    }
    return split;
}

std::optional<std::pair<std::wstring, std::wstring>> SplitLeaf(std::wstring_view path, wchar_t separator)
{
    while (!path.empty() && IsSeparator(path.back(), separator)) {
        path.remove_suffix(1);
    }
    std::size_t slash = path.size();
    while (slash > 0 && !IsSeparator(path[slash - 1], separator)) {
        --slash;
    }
    if (slash == 0 || slash == path.size()) {
        return std::nullopt;
    }
    std::wstring_view parent = path.substr(0, slash);
    // The parent keeps its separator when it is a root ("C:\", "/"), and only then.
    const bool root = parent.size() == 1 || (parent.size() == 3 && parent[1] == L':');
    while (!root && parent.size() > 1 && IsSeparator(parent.back(), separator)) {
        parent.remove_suffix(1);
    }
    return std::pair{std::wstring(parent), std::wstring(path.substr(slash))};
}

bool IsSameOrInside(std::wstring_view inner, std::wstring_view outer, wchar_t separator)
{
    while (outer.size() > 1 && IsSeparator(outer.back(), separator)) {
        outer.remove_suffix(1);  // a root keeps its separator
    }
    if (inner.size() < outer.size() || !SameName(inner.substr(0, outer.size()), outer)) {
        return false;
    }
    return inner.size() == outer.size() || IsSeparator(inner[outer.size()], separator) ||
           IsSeparator(outer.back(), separator);
}

}  // namespace nivaro
