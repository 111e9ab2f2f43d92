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
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/shell.h"

namespace nivaro {

struct PlannedTarget {
    ShellEntry entry;  // a registry value has only its name here
    std::optional<std::uint64_t> size{};  // a file's bytes; nothing for a folder, a value or a shell item
    std::size_t part = 0;  // the item's target (key or folder) it belongs to
    std::wstring subkey;   // a registry value of a key's subkey: that subkey's name
    // What a clean would do now, and why when it would leave the target. A plan taken only to be
    // carried out says "remove" of every entry; each is decided as its turn comes.
    bool remove = true;
    LeaveReason reason = LeaveReason::kNone;
    // Filled in by the clean.
    bool removed = false;

    // How a person reads it: a value of a subkey with its subkey's name in front.
    std::wstring Label() const { return subkey.empty() ? entry.name : subkey + L"\\" + entry.name; }
};

// How much a plan works out ahead.
enum class Foresight {
    kDecideEach,  // a preview: every target decided now, as the clean would decide it
    kListOnly,    // a clean's own list: each target is decided when the clean reaches it
};

// One key or folder of an item, as it is now.
struct PlanPart {
    ItemTarget what;
    std::wstring target;           // the key, or the folder where it really is
    std::optional<Error> problem;  // this part cannot run at all
    // A folder, held by handle until the plan has been carried out, and the shell's view of it
    // when the shell shows more than its files.
    std::unique_ptr<FolderHandle> folder;
    std::unique_ptr<ShellFolder> shellFolder;
};

struct ItemPlan {
    std::vector<PlanPart> parts;
    std::vector<PlannedTarget> targets;
    std::wstring target;           // every part's target, for showing
    std::optional<Error> problem;  // the first part that cannot run, for showing
    // Keep-list of the item, and whether its patterns also match a cookie file's hosts.
    std::vector<std::wstring> keep;
    bool keepByCookieHost = false;

    std::size_t CountToRemove() const;
};

}  // namespace nivaro
