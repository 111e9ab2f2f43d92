#pragma once
// What a clean of one item would do now, target by target: the plan that a preview shows and a
// clean then works through, and what became of each target.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "items/folder_entries.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/shell.h"

namespace nivaro {

struct PlannedTarget {
    ShellEntry entry;  // a registry value has only its name here
    std::optional<std::uint64_t> size{};  // a file's bytes; nothing for a folder, a value or a shell item
    // What a clean would do now, and why when it would leave the target. A plan taken only to be
    // carried out says "remove" of every entry; each is decided as its turn comes.
    bool remove = true;
    LeaveReason reason = LeaveReason::kNone;
    // Filled in by the clean.
    bool removed = false;
};

// How much a plan works out ahead.
enum class Foresight {
    kDecideEach,  // a preview: every target decided now, as the clean would decide it
    kListOnly,    // a clean's own list: each target is decided when the clean reaches it
};

struct ItemPlan {
    std::wstring target;           // the key, or the folder where it really is now
    std::optional<Error> problem;  // the item cannot run at all
    std::vector<PlannedTarget> targets;
    // A folder item's folder, held by handle until the plan has been carried out, and the shell's
    // view of it, when the shell can show it.
    std::unique_ptr<FolderHandle> folder;
    std::unique_ptr<ShellFolder> shellFolder;

    std::size_t CountToRemove() const;
    std::size_t CountRemoved() const;
};

}  // namespace nivaro
