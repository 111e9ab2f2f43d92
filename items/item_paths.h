#pragma once
// The paths items name: written as the items file writes them (a %VARIABLE% or a drive, then
// folder names), their variables understood, cut where their wildcards begin, and compared as the
// system compares names. One parser for the reader, which refuses what it cannot take, and for the
// engine, which finds the folders a path names on this machine.

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/environment.h"
#include "platform/services.h"

namespace nivaro {

// A folder the items file's format names by a variable, found as the system finds it.
struct PathVariable {
    std::wstring_view name;  // between the %s, compared without regard to case
    // Where it leads: one of the system's known folders, or else an environment variable.
    std::optional<KnownPlace> place;
    std::wstring_view environmentName;
    // Where a 32-bit program's copy of it is, when the format looks in both.
    std::optional<KnownPlace> place32;
    std::wstring_view environmentName32;
};

// The variable of this name; nothing for a name the format does not have.
const PathVariable* FindPathVariable(std::wstring_view name);

// A path taken apart: where it starts, then each folder name after it.
struct ItemPath {
    const PathVariable* variable = nullptr;  // or else a drive starts it
    // As the items file writes it, one way for every spelling: "%LocalAppData%\Foo\*\Cache",
    // "C:\Logs". The folder names (which may hold * and ?) follow its first `start` characters,
    // each after a '\'.
    std::wstring text;
    std::size_t start = 0;

    std::wstring_view Drive() const { return variable != nullptr ? std::wstring_view() : std::wstring_view(text).substr(0, start); }
    std::vector<std::wstring_view> Names() const;
    // Takes the last folder name off the path and gives it back; nothing when it has none.
    std::optional<std::wstring> TakeLastName();
};

// Why a path cannot be taken: a few words that every path refused for the same cause shares, and
// the details.
struct PathRefusal {
    std::wstring reason;
    std::wstring why;
    bool network = false;  // the path is well formed, but on another machine
};

// A path written as the items file writes one: it starts with a known %VARIABLE% or a drive
// ("C:"), and its folder names are separated by '\' (or '/'); a separator at its end does not
// matter. Refused: an unknown variable, a variable elsewhere than at the start, a relative or a
// network path, an empty name, "." and "..", and names no folder can have.
std::expected<ItemPath, PathRefusal> ParseItemPath(std::wstring_view text);

// Every folder the path names on this machine, with the platform's separator: one, or for a
// variable the format looks in twice (%ProgramFiles%, %CommonProgramFiles%) the native folder and
// the 32-bit one where they differ. A variable that has no value here names none. A path that is
// not written as the items file writes one (a definition made in code) is expanded as the
// environment expands it.
std::vector<std::wstring> ItemPathFolders(Environment& environment, std::wstring_view path, wchar_t separator);

// The one folder a path names for a clean or an exclusion: for a variable that has a 32-bit twin,
// the native folder, so that what is cleaned and what is kept are always the same folder. A path
// whose variable has no value here stays as it is written, so that it is no full path and is
// refused. A bare drive ("C:", as %SystemDrive% gives it) is that drive's root.
std::wstring ExpandItemPath(const PlatformServices& services, std::wstring_view text);

bool HasWildcard(std::wstring_view text);

// A path cut before its first component that holds a wildcard: the folder before it, opened by
// its path, and the components from there on, each to be matched in the folder before it. A path
// without wildcards is all base.
struct WildcardPath {
    std::wstring base;
    std::vector<std::wstring> components;
};
WildcardPath SplitAtWildcards(std::wstring_view path, wchar_t separator);

// The folder that holds what a path names, and its name there; nothing for a root or a bare name.
std::optional<std::pair<std::wstring, std::wstring>> SplitLeaf(std::wstring_view path, wchar_t separator);

// Whether `inner` is `outer` or lies below it, compared as the system compares names.
bool IsSameOrInside(std::wstring_view inner, std::wstring_view outer, wchar_t separator);

}  // namespace nivaro
