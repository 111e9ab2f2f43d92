#pragma once
// How a folder part decides one entry, the same way for a preview and for a clean: first what the
// listing shows, then the keep-list and the exclusions, then what opening the entry by its exact
// name finds. Shared by the folder walk and the folder carrier.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "items/folder_entries.h"
#include "items/item_plan.h"

namespace nivaro {

// How many of a folder's entries end up with each name once the dots and blanks that end it are
// taken away, counted the first time it is asked: most folders never need it.
class TrimmedNameCounts {
public:
    // Calls its argument with each of the folder's names.
    using Names = std::function<void(const std::function<void(std::wstring_view)>&)>;
    explicit TrimmedNameCounts(Names names) : names_(std::move(names)) {}

    bool Shared(std::wstring_view name);

private:
    Names names_;
    std::unordered_map<std::wstring, int> counts_;
    bool counted_ = false;
};

// Answers an entry's decision's question from a folder's name counts.
class TrimmedNameQuestions final : public EntryQuestions {
public:
    TrimmedNameQuestions(TrimmedNameCounts& counts, std::wstring_view name) : counts_(counts), name_(name) {}
    bool NameShared() override { return counts_.Shared(name_); }

private:
    TrimmedNameCounts& counts_;
    std::wstring_view name_;
};

// Why the item keeps the entry by its name alone (the keep-list, or an exclusion of its folder);
// nothing when it does not.
std::optional<LeaveReason> KeptByName(const ItemPlan& plan, const FolderRules& rules, const ShellEntry& entry);

struct Inspection {
    EntryDecision decision;
    std::unique_ptr<EntryHandle> handle;  // held when the entry is to go: the delete goes through it
};

// The one way an entry is decided, for a preview and a clean alike. A preview also asks the handle
// of an entry listed without bytes whether it is on a file, which a clean learns from the delete
// itself.
Inspection Inspect(const ItemPlan& plan, const FolderRules& rules, FolderHandle& folder, const ShellEntry& entry,
                   TrimmedNameCounts& trimmed, Foresight foresight);

}  // namespace nivaro
