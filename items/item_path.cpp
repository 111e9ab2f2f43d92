#include "items/item_path.h"

#include <algorithm>
#include <array>

#include "items/name_pattern.h"
#include "platform/path_join.h"

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

bool IsSeparator(wchar_t c)
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

}  // namespace

std::wstring ItemPath::Text() const
{
    std::wstring text = variable != nullptr ? L"%" + std::wstring(variable->name) + L"%" : drive;
    for (const std::wstring& name : names) {
        text += L"\\" + name;
    }
    return text;
}

const PathVariable* FindPathVariable(std::wstring_view name)
{
    const auto found = std::ranges::find_if(kVariables, [&](const PathVariable& v) { return SameIgnoringCase(v.name, name); });
    return found == kVariables.end() ? nullptr : &*found;
}

std::expected<ItemPath, PathRefusal> ParseItemPath(std::wstring_view text)
{
    std::vector<std::wstring_view> parts;
    for (std::size_t start = 0;;) {
        const auto end = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), IsSeparator);
        parts.push_back(text.substr(start, static_cast<std::size_t>(end - text.begin()) - start));
        if (end == text.end()) {
            break;
        }
        start = static_cast<std::size_t>(end - text.begin()) + 1;
    }
    // A folder written with a separator at its end is the same folder.
    if (parts.size() > 1 && parts.back().empty()) {
        parts.pop_back();
    }
    const std::wstring_view first = parts.front();
    ItemPath path;
    if (first.size() > 2 && first.starts_with(L'%') && first.ends_with(L'%')) {
        const std::wstring_view name = first.substr(1, first.size() - 2);
        path.variable = FindPathVariable(name);
        if (path.variable == nullptr) {
            return std::unexpected(PathRefusal{L"an unknown variable", L"unknown variable %" + std::wstring(name) + L"%"});
        }
    } else if (first.size() == 2 && IsAsciiLetter(first[0]) && first[1] == L':') {
        path.drive = first;
    } else if (first.empty() && text.size() > 1 && IsSeparator(text[1])) {
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
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (std::optional<PathRefusal> why = WhyNotAName(parts[i])) {
            return std::unexpected(std::move(*why));
        }
        path.names.emplace_back(parts[i]);
    }
    return path;
}

std::vector<std::wstring> ExpandItemPath(Environment& environment, std::wstring_view text, wchar_t separator)
{
    const std::expected<ItemPath, PathRefusal> path = ParseItemPath(text);
    if (!path) {
        return {environment.Expand(text)};
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
        bases.push_back(path->drive + separator);
    }
    for (std::wstring& folder : bases) {
        for (const std::wstring& name : path->names) {
            folder = JoinPath(folder, name, separator);
        }
    }
    return bases;
}

}  // namespace nivaro
