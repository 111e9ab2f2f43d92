#pragma once
// What a clean of one item would do now, target by target: the plan that a preview shows and a
// clean then works through, and what became of each target.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "items/folder_entries.h"
#include "items/item_definition.h"
#include "items/item_paths.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/shell.h"

namespace nivaro {

struct PlannedTarget {
    ShellEntry entry;  // a registry value or key has only its name here
    std::optional<std::uint64_t> size{};  // a file's bytes; nothing for a folder, a value or a shell item
    std::size_t part = 0;  // the item's target (key or folder) it belongs to
    std::wstring subkey;   // a registry value of a key below the part's key: that key's path from the part's
    std::size_t folder = 0;  // a folder part's entry: the folder that holds it (ItemPlan::folders)
    // A folder or key itself, removed once what it held is gone: the folder is `folder`; the key is
    // `subkey` below the part's key (empty for the part's key itself).
    bool container = false;
    // What a clean would do now, and why when it would leave the target. A plan taken only to be
    // carried out says "remove" of every entry; each is decided as its turn comes.
    bool remove = true;
    LeaveReason reason = LeaveReason::kNone;
    // Decided once and for all when it was listed (a link to a folder met by a recursive walk, an
    // excluded folder): a clean leaves it as the plan says.
    bool settled = false;
    // Filled in by the clean.
    bool removed = false;
    // A database target: the rows of the table `entry.name` of the database at `entry.path` that
    // go, or that stay when it is left; nothing for a whole database left as it was.
    std::optional<std::uint64_t> rows{};
    // What becomes of it in words of its own, where the reason alone says too little: "in use:
    // close Edge".
    std::wstring note;

    // How a person reads it: a value of a subkey with its subkey's name in front; a key to remove by
    // its path below the part's key, the part's own key by its name.
    std::wstring Label() const
    {
        if (container) {
            return subkey.empty() ? entry.name : subkey;
        }
        return subkey.empty() ? entry.name : subkey + L"\\" + entry.name;
    }
};

// How much a plan works out ahead.
enum class Foresight {
    kDecideEach,  // a preview: every target decided now, as the clean would decide it
    kListOnly,    // a clean's own list: each target is decided when the clean reaches it
};

// What a folder's entries are kept by besides the item's keep-list: the item's exclusions that
// reach this folder.
struct FolderRules {
    bool excludeAll = false;                   // every entry of the folder is excluded
    std::vector<std::wstring> excludePatterns;  // entries whose names match are excluded
};

// One folder that a folder part reaches: the folder its path names, a folder a wildcard in the
// path matched on the way, or a folder a recursive walk entered. Only a part's base folder is
// opened by its path; every other one again by its parent's handle and its exact name.
struct PlanFolder {
    std::size_t part = 0;
    std::optional<std::size_t> parent;  // in ItemPlan::folders; nothing for the base
    std::wstring name;  // its exact name in its parent; the base: the path it is opened by
    std::wstring path;  // where it really is, as the handle says: for showing and for exclusions
    FolderRules rules;
    bool shell = false;  // the base of a window item's folder: listed as the shell shows it
};

// One key or folder of an item, as it is now.
struct PlanPart {
    ItemTarget what;
    std::wstring target;           // the key, or the folder where it really is
    std::optional<Error> problem;  // this part cannot run at all
    // Why it stays when it cannot run while the item's other parts do: its folder or key is then
    // one target of the plan, left with this reason.
    LeaveReason reason = LeaveReason::kRefused;
    bool absent = false;           // the folder or key is not there: nothing to remove
    // A folder part's path as it was found: the folder opened by its path, and the components
    // after it that wildcards in the path match.
    WildcardPath path;
    // A window item's folder, found ahead and held until it is listed, and the shell's view of it
    // when the shell shows more than its files, held until the plan has been carried out.
    std::unique_ptr<FolderHandle> folder;
    std::unique_ptr<ShellFolder> shellFolder;
};

struct ItemPlan {
    std::vector<PlanPart> parts;
    std::vector<PlanFolder> folders;
    std::vector<PlannedTarget> targets;
    std::wstring target;           // every part's target, for showing
    // Set only when no part can run: each part's problem. An item some of whose parts run has none;
    // each part that cannot run is then one of its targets, left with its reason.
    std::optional<Error> problem;
    // Keep-list of the item, and whether its patterns also match a cookie file's hosts.
    std::vector<std::wstring> keep;
    bool keepByCookieHost = false;
    std::vector<Exclusion> exclude;  // what the item never removes

    std::size_t CountToRemove() const;
    // Whether any part could run; an item none of whose parts could is one that cannot run.
    bool AnyPartRan() const;
};

}  // namespace nivaro
