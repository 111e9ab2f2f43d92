#pragma once
// What a folder clean does with one entry of its folder. A preview and a clean decide alike,
// through the same steps: first what the listing shows, then what opening the entry by its exact
// name finds, and last where that handle really is.

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/shell.h"

namespace nivaro {

enum class EntryAction {
    kRemoveFile,   // a file, deleted through its own handle
    kShellDelete,  // not a file-system object: a shell item of a virtual folder
    kLeave,
};

enum class LeaveReason {
    kNone,
    kSubfolder,       // a folder target that does not reach below its own entries
    kLinkedFolder,    // a junction or a link to a folder: never followed, never removed
    kReadOnly,        // left as the user marked it
    kFolderSettings,  // desktop.ini, hidden and system: it gives the folder its view
    kLocked,          // held open by a program that does not share delete
    kRefused,         // the platform refused the delete for another reason
    kGone,            // no longer there when its turn came: someone else removed it
    kLink,            // it leads somewhere else, and the platform cannot delete it as a link
    kUnsafeName,      // its name holds a path separator or is . or ..: it would name something else
    kUnopenableName,  // listed, but the platform cannot open an entry by this name
    kUnverifiableName,  // where its handle leads cannot be told apart from a neighbour's
    kNotAFile,          // a pipe or another node that is neither file nor folder
    kKeepList,          // the user's keep-list names it
    kExcluded,          // one of the item's exclusions names it, or a folder above it
    kProtected,         // a protected place, or the folder of one of the program's own items
    kNotEmpty,          // a folder to be removed once empty, which still holds something
    kTooDeep,           // a folder further below its target than any walk goes
    kWalkLimit,         // a folder or key past the most one item walks
    kChanged,           // it changed while it was being cleaned: not verifiably gone
};

struct EntryDecision {
    EntryAction action = EntryAction::kLeave;
    LeaveReason reason = LeaveReason::kNone;
};

// What the listing alone decides: every entry that is no plain file, and every file whose name
// could not safely stand for it. Nothing when the entry must be opened to be decided.
std::optional<EntryDecision> DecideFromListing(const ShellEntry& entry);

// What the decision of an opened entry may need to ask, and asks only when it does.
class EntryQuestions {
public:
    // Whether another entry's name ends up the same once the dots and blanks that end it are
    // taken away: asked when the handle names the entry without them.
    virtual bool NameShared() = 0;

protected:
    ~EntryQuestions() = default;
};

// Why a recursive walk does not even open a subfolder the listing shows: its name cannot stand for
// it alone, or it is a link; nothing when it is to be opened.
std::optional<LeaveReason> SubfolderLeftByListing(const ShellEntry& entry);

// What opening the entry found decides. An entry that no open by its exact name finds is gone:
// that open is the one look it costs, never a listing of the folder again.
EntryDecision DecideOpened(const ShellEntry& entry, const EntryOpening& opening, EntryQuestions& questions);

// Whether a recursive walk enters the subfolder that opening it found: kNone when it is a folder
// inside this one, by this very name; else why it stays.
LeaveReason DecideSubfolder(const ShellEntry& entry, const FolderOpening& opening, EntryQuestions& questions);

// Why a file stays when its delete answers so.
LeaveReason ReasonForDelete(DeleteOutcome outcome);

// Whether an entry that stays is a trace the clean failed to remove. Subfolders, links to
// folders and a folder's view settings stay by design, and an entry that someone else removed
// first is gone all the same.
bool IsTraceLeftBehind(LeaveReason reason);

std::wstring_view LeaveReasonText(LeaveReason reason);

// A name without the dots and blanks that end it, as Windows paths drop them.
std::wstring_view WithoutTrailingDotsAndBlanks(std::wstring_view name);

}  // namespace nivaro
