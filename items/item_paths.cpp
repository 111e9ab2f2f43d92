#include "items/item_paths.h"

#include <algorithm>
#include <array>

#include "platform/path_join.h"

#include "platform/name_case.h"
#include "platform/variables.h"

namespace nivaro {
namespace {


// The format's own folders, and the environment's that its paths use.
constexpr std::array kVariables{
    PathVariable{.name = L"AppData", .place = KnownPlace::kRoamingAppData},
    PathVariable{.name = L"LocalAppData", .place = KnownPlace::kLocalAppData},
    PathVariable{.name = L"LocalLowAppData", .place = KnownPlace::kLocalAppDataLow},
    PathVariable{.name = L"LocalAppDataLow", .place = KnownPlace::kLocalAppDataLow},
    PathVariable{.name = L"UserProfile", .place = KnownPlace::kProfile},
    PathVariable{.name = L"Documents", .place = KnownPlace::kDocuments},
    PathVariable{.name = L"Music", .place = KnownPlace::kMusic},
    PathVariable{.name = L"Pictures", .place = KnownPlace::kPictures},
    PathVariable{.name = L"Video", .place = KnownPlace::kVideos},
    PathVariable{.name = L"CommonAppData", .place = KnownPlace::kProgramData},
    PathVariable{.name = L"ProgramData", .place = KnownPlace::kProgramData},
    PathVariable{.name = L"AllUsersProfile", .environmentName = L"ALLUSERSPROFILE"},
    PathVariable{.name = L"ProgramFiles", .place = KnownPlace::kProgramFiles, .place32 = KnownPlace::kProgramFilesX86},
    PathVariable{.name = L"ProgramFiles(x86)", .place = KnownPlace::kProgramFilesX86},
    PathVariable{.name = L"ProgramW6432", .environmentName = L"ProgramW6432"},
    PathVariable{.name = L"CommonProgramFiles",
                 .environmentName = L"CommonProgramFiles",
                 .environmentName32 = L"CommonProgramFiles(x86)"},
    PathVariable{.name = L"CommonProgramFiles(x86)", .environmentName = L"CommonProgramFiles(x86)"},
    PathVariable{.name = L"CommonProgramW6432", .environmentName = L"CommonProgramW6432"},
    PathVariable{.name = L"Public", .environmentName = L"PUBLIC"},
    PathVariable{.name = L"SystemDrive", .environmentName = L"SystemDrive"},
    PathVariable{.name = L"WinDir", .place = KnownPlace::kWindows},
    PathVariable{.name = L"SystemRoot", .place = KnownPlace::kWindows},
    PathVariable{.name = L"Temp", .place = KnownPlace::kTemp},
    PathVariable{.name = L"Tmp", .place = KnownPlace::kTemp},
};

// The items file writes '\\' between folder names, and '/' as Windows takes it.
bool IsWrittenSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Characters no folder or file name holds on Windows; ':' would name a stream of a file.
constexpr std::wstring_view kBadName = L"a folder name that cannot be";

std::optional<PathRefusal> WhyNotAName(std::wstring_view name)
{
    if (name.empty()) {
        return PathRefusal{std::wstring(kBadName), L"an empty folder name between two separators"};
    }
    if (name == L"." || name == L"..") {
        return PathRefusal{std::wstring(kBadName),
                           L"'" + std::wstring(name) + L"' is not a folder name: a path names its folders one by one"};
    }
    if (name.find(L'%') != std::wstring_view::npos) {
        return PathRefusal{L"a variable inside a path", L"a %VARIABLE% stands only at the start of a path, not in '" +
                                                            std::wstring(name) + L"'"};
    }
    for (const wchar_t c : name) {
        if (static_cast<std::uint32_t>(c) < 0x20 || std::wstring_view(L"<>:\"").find(c) != std::wstring_view::npos) {
            return PathRefusal{std::wstring(kBadName),
                               L"the name '" + std::wstring(name) + L"' holds a character no folder name has"};
        }
    }
    return std::nullopt;
}

std::optional<std::wstring> VariableValue(Environment& environment, KnownPlace place)
{
    return environment.KnownFolder(place);
}

std::optional<std::wstring> VariableValue(Environment& environment, std::wstring_view name)
{
    const std::wstring written = L"%" + std::wstring(name) + L"%";
    std::wstring value = environment.Expand(written);
    if (value.empty() || value == written) {
        return std::nullopt;
    }
    return value;
}


bool IsSeparator(wchar_t c, wchar_t separator)
{
    return c == separator || c == L'/';
}

}  // namespace

std::vector<std::wstring_view> ItemPath::Names() const
{
    std::vector<std::wstring_view> names;
    for (std::wstring_view rest = std::wstring_view(text).substr(start); !rest.empty();) {
        rest.remove_prefix(1);  // the separator
        const std::size_t end = std::min(rest.find(L'\\'), rest.size());
        names.push_back(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    return names;
}

std::optional<std::wstring> ItemPath::TakeLastName()
{
    if (text.size() == start) {
        return std::nullopt;
    }
    const std::size_t separator = text.rfind(L'\\');
    std::wstring name = text.substr(separator + 1);
    text.resize(separator);
    return name;
}

const PathVariable* FindPathVariable(std::wstring_view name)
{
    const auto found = std::ranges::find_if(kVariables, [&](const PathVariable& v) { return SameName(v.name, name); });
    return found == kVariables.end() ? nullptr : &*found;
}

std::expected<ItemPath, PathRefusal> ParseItemPath(std::wstring_view text)
{
    const auto firstEnd = std::ranges::find_if(text, IsWrittenSeparator);
    const std::wstring_view first = text.substr(0, static_cast<std::size_t>(firstEnd - text.begin()));
    ItemPath path;
    if (first.size() > 2 && first.starts_with(L'%') && first.ends_with(L'%')) {
        const std::wstring_view name = first.substr(1, first.size() - 2);
        path.variable = FindPathVariable(name);
        if (path.variable == nullptr) {
            return std::unexpected(PathRefusal{L"an unknown variable", L"unknown variable %" + std::wstring(name) + L"%"});
        }
    } else if (first.size() == 2 && IsAsciiLetter(first[0]) && first[1] == L':') {
    } else if (first.empty() && text.size() > 1 && IsWrittenSeparator(text[1])) {
        return std::unexpected(PathRefusal{L"a network path",
                                           L"a network path is not cleaned: only this machine's own folders are", true});
    } else if (first.find(L'%') != std::wstring_view::npos) {
        return std::unexpected(PathRefusal{L"a variable inside a path",
                                           L"'" + std::wstring(first) + L"' is not a %VARIABLE% of its own"});
    } else {
        return std::unexpected(PathRefusal{L"not a full path", L"'" + std::wstring(text) +
                                                                  L"' is not a full path: a path starts with a "
                                                                  L"%VARIABLE% or a drive such as C:"});
    }
    // Written once, as long as it is read: a file of thousands of paths makes no copies.
    path.text.reserve(text.size() + 2);
    if (path.variable != nullptr) {
        path.text.append(L"%").append(path.variable->name).append(L"%");
    } else {
        path.text.append(first);
    }
    path.start = path.text.size();
    std::wstring_view rest = text.substr(first.size());
    while (!rest.empty()) {
        rest.remove_prefix(1);  // the separator
        if (rest.empty()) {
            break;  // a folder written with a separator at its end is the same folder
        }
        const auto end = std::ranges::find_if(rest, IsWrittenSeparator);
        const std::wstring_view name = rest.substr(0, static_cast<std::size_t>(end - rest.begin()));
        if (std::optional<PathRefusal> why = WhyNotAName(name)) {
            return std::unexpected(std::move(*why));
        }
        path.text.append(L"\\").append(name);
        rest.remove_prefix(name.size());
    }
    return path;
}

std::vector<std::wstring> ItemPathFolders(Environment& environment, std::wstring_view text, wchar_t separator)
{
    const std::expected<ItemPath, PathRefusal> path = ParseItemPath(text);
    if (!path) {
        // Not a path of the format's: each %NAME% as Windows would expand it, a lone % left as written.
        return {ReplaceVariables(text, [&](std::wstring_view name) -> std::optional<std::wstring> {
            if (const PathVariable* variable = FindPathVariable(name); variable != nullptr && variable->place) {
                return environment.KnownFolder(*variable->place);
            }
            const std::wstring written = L"%" + std::wstring(name) + L"%";
            std::wstring expanded = environment.Expand(written);
            return expanded == written ? std::nullopt : std::optional(std::move(expanded));
        })};
    }
    std::vector<std::wstring> bases;
    const auto add = [&](std::optional<std::wstring> base) {
        if (base && std::ranges::find(bases, *base) == bases.end()) {
            bases.push_back(std::move(*base));
        }
    };
    if (const PathVariable* variable = path->variable) {
        add(variable->place ? VariableValue(environment, *variable->place)
                            : VariableValue(environment, variable->environmentName));
        if (variable->place32) {
            add(VariableValue(environment, *variable->place32));
        } else if (!variable->environmentName32.empty()) {
            add(VariableValue(environment, variable->environmentName32));
        }
    } else {
        bases.push_back(std::wstring(path->Drive()) + separator);
    }
    const std::vector<std::wstring_view> names = path->Names();
    for (std::wstring& folder : bases) {
        for (const std::wstring_view name : names) {
            folder = JoinPath(folder, name, separator);
        }
    }
    return bases;
}

std::wstring ExpandItemPath(const PlatformServices& services, std::wstring_view text)
{
    const wchar_t separator = services.files.Separator();
    const std::vector<std::wstring> folders = ItemPathFolders(services.environment, text, separator);
    std::wstring out = folders.empty() ? std::wstring(text) : folders.front();
    if (out.size() == 2 && out[1] == L':') {
        out.push_back(separator);
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
