#pragma once
// The paths items name: their variables understood, cut where their wildcards begin, and compared
// as the system compares names.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/services.h"

namespace nivaro {

// The text with every %NAME% the items file may use replaced: the environment's variables, and the
// known folders the format names without one (%Documents%, %Music%, %Pictures%, %Video%,
// %LocalLowAppData%, %CommonAppData%). A variable nothing answers to stays as it is written, so
// that the path is no full path and is refused. A bare drive ("C:", as %SystemDrive% gives it) is
// that drive's root.
std::wstring ExpandItemPath(const PlatformServices& services, std::wstring_view text);

// Whether a variable of this name is one ExpandItemPath answers without the environment.
bool IsKnownFolderVariable(std::wstring_view name);

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
