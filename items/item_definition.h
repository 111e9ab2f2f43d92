#pragma once
// An item described as data: what it cleans and how it is shown. The window's six, the built-in
// Windows traces and the user's own items are all rows of one catalogue of these, and one engine
// plans and carries out every one of them.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/environment.h"
#include "platform/registry.h"

namespace nivaro {

// The named values of a registry key.
struct RegistryTarget {
    RegistryRoot root = kCurrentUser;
    std::wstring key;                   // the path under the root
    std::optional<std::wstring> value;  // one value only; nothing for every named value
    bool eachSubkey = false;            // the named values of each direct subkey, not the key's own

    friend bool operator==(const RegistryTarget&, const RegistryTarget&) = default;
};

// How a folder target's path is written.
enum class FolderForm {
    kSetting,      // a path, or after a "%" the name of a Shell Folders value (the window's items)
    kExpanded,     // a path with %VARIABLE%s of the environment in it
    kKnownFolder,  // a path below one of the system's known folders; empty for the folder itself
};

// The entries of one folder, never recursive.
struct FolderTarget {
    FolderForm form = FolderForm::kSetting;
    std::wstring path;
    std::optional<KnownPlace> place;    // for kKnownFolder
    std::vector<std::wstring> patterns;  // entry names matching any of them (* and ?); none for every entry

    friend bool operator==(const FolderTarget&, const FolderTarget&) = default;
};

using ItemTarget = std::variant<RegistryTarget, FolderTarget>;

// What must exist for an item to be shown at all.
struct Detection {
    enum class Kind { kKey, kFile };
    Kind kind = Kind::kKey;
    RegistryRoot root = kCurrentUser;  // for a key
    std::wstring path;                 // the key's path, or the file or folder's (with %VARIABLE%s)

    friend bool operator==(const Detection&, const Detection&) = default;
};

struct ItemDefinition {
    std::string id;           // what scripts select it by: "history", "run-box"
    std::wstring title;
    std::wstring group;       // "Nivaro", "Windows", "Your items"
    std::wstring description;  // what the user loses when it is cleaned
    bool onByDefault = true;
    std::vector<ItemTarget> targets;
    std::vector<std::wstring> keep;  // names of entries or values to keep (* and ?)
    bool keepByCookieHost = false;   // a keep pattern also matches the host a cookie file names
    std::vector<Detection> detect;   // shown only when one of these exists; none for always

    friend bool operator==(const ItemDefinition&, const ItemDefinition&) = default;
};

}  // namespace nivaro
