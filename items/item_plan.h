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
#include "platform/shell.h"

namespace nivaro {

struct PlannedTarget {
    ShellEntry entry;  // a registry value has only its name here
    std::optional<std::uint64_t> size{};  // a file's bytes; nothing for a folder, a value or a shell item
    // What a clean would do now, and why when it would leave the target.
    bool remove = true;
    LeaveReason reason = LeaveReason::kNone;
    // Filled in by the clean.
    bool removed = false;
};

struct ItemPlan {
    std::wstring target;          // the key, or the folder as it resolves now
    std::optional<Error> problem;  // the item cannot run at all
    std::vector<PlannedTarget> targets;
    // A folder item's namespace folder, held until the plan has been carried out.
    std::unique_ptr<ShellFolder> shellFolder;

    std::size_t CountToRemove() const;
    std::size_t CountRemoved() const;
};

}  // namespace nivaro
