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

// The named values of a registry key, or the key itself.
struct RegistryTarget {
    RegistryRoot root = kCurrentUser;
    std::wstring key;                   // the path under the root
    std::optional<std::wstring> value;  // one value only; nothing for every named value
    bool eachSubkey = false;            // the named values of each direct subkey, not the key's own
    bool wholeKey = false;              // the key itself, with every value and subkey below it

    friend bool operator==(const RegistryTarget&, const RegistryTarget&) = default;
};

// How a folder target's path is written.
enum class FolderForm {
    kSetting,      // a path, or after a "%" the name of a Shell Folders value (the window's items)
    kExpanded,     // a path with %VARIABLE%s of the environment in it
    kKnownFolder,  // a path below one of the system's known folders; empty for the folder itself
};

// How far below its folder a folder target reaches.
enum class FolderDepth {
    kOwnEntries,  // the folder's own entries only
    kRecurse,     // the matching entries of the folder and of every folder below it
    kRemoveSelf,  // as kRecurse, then each folder left empty below it, and the folder itself when empty
};

// The entries of one folder, or of every folder a path with wildcards names.
struct FolderTarget {
    FolderForm form = FolderForm::kSetting;
    std::wstring path;                   // kExpanded: * and ? may stand in any folder component
    std::optional<KnownPlace> place;    // for kKnownFolder
    std::vector<std::wstring> patterns;  // entry names matching any of them (* and ?); none for every entry
    FolderDepth depth = FolderDepth::kOwnEntries;

    friend bool operator==(const FolderTarget&, const FolderTarget&) = default;
};

struct ItemPlan;
struct PlatformServices;

// One trace of a browser kept in the databases of its profiles. The engine reads no database
// itself: it hands each such part of a plan to `run`, which the layer that knows the databases
// gives, to preview it (clean false) or clean it and make the part's targets from what it did.
struct DatabaseTarget {
    std::string browser;  // "edge"
    std::string trace;    // "history", "cookies", "downloads", "form-data"
    // Why the keep-list that guards its rows cannot be had (the items file could not be read):
    // then no row the keep-list could keep is removed.
    std::optional<std::wstring> keepUnreadable;
    void (*run)(const PlatformServices& services, ItemPlan& plan, std::size_t part, bool clean) = nullptr;

    friend bool operator==(const DatabaseTarget&, const DatabaseTarget&) = default;
};

using ItemTarget = std::variant<RegistryTarget, FolderTarget, DatabaseTarget>;

// What an item never removes, at any depth, whatever its targets reach.
struct Exclusion {
    enum class Kind {
        kFiles,     // the entries of one folder whose names match `patterns`
        kPath,      // a folder and everything below it; with `patterns`, only the entries below it that match
        kRegistry,  // a key and everything below it, or with `value` that one value of it
    };
    Kind kind = Kind::kFiles;
    std::wstring path;                   // the folder (%VARIABLE%s, * and ? as in a FolderTarget), or the key
    std::vector<std::wstring> patterns;  // entry names (* and ?); none for every entry
    RegistryRoot root = kCurrentUser;    // for a key
    std::optional<std::wstring> value;   // for a key: one value only

    friend bool operator==(const Exclusion&, const Exclusion&) = default;
};

// What must exist for an item to be shown at all. Detection only reads, so it may look anywhere.
struct Detection {
    enum class Kind { kKey, kFile };
    Kind kind = Kind::kKey;
    RegistryRoot root = kCurrentUser;  // for a key: any root; a machine key is looked for in both views
    std::wstring path;                 // the key's path, or the file or folder's (with %VARIABLE%s, * and ?)

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
    std::vector<Exclusion> exclude;  // never removed, whatever the targets reach
    std::wstring warning;            // asked about before the item is cleaned; empty for none

    friend bool operator==(const ItemDefinition&, const ItemDefinition&) = default;
};

}  // namespace nivaro
