#pragma once
// The paths the items file names folders and files by: a %VARIABLE% or a drive, then folder names,
// * and ? allowed in the names. One parser for the reader, which refuses what it cannot take, and
// for the engine, which finds the folders a path names on this machine.

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/environment.h"

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
    const PathVariable* variable = nullptr;  // or else the drive
    std::wstring drive;                      // "C:"
    std::vector<std::wstring> names;         // may hold * and ?

    // As the items file writes it, one way for every spelling: "%LocalAppData%\Foo\*\Cache".
    std::wstring Text() const;
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
std::vector<std::wstring> ExpandItemPath(Environment& environment, std::wstring_view path, wchar_t separator);

}  // namespace nivaro
