#pragma once
// What a folder clean does with one entry of its folder, decided from the entry's attributes: a
// clean takes them from the folder's listing and lets the delete find any change since, a
// preview reads them afresh. Both decide alike.

#include <optional>
#include <string_view>

#include "platform/file_system.h"
#include "platform/shell.h"

namespace nivaro {

enum class EntryAction {
    kRemoveFile,   // a file, or a link, which goes as a link
    kShellDelete,  // not a file-system object: a shell item of a virtual folder
    kLeave,
};

enum class LeaveReason {
    kNone,
    kSubfolder,       // nothing is deleted recursively
    kLinkedFolder,    // a junction or a link to a folder: never followed, never removed
    kReadOnly,        // left as the user marked it
    kFolderSettings,  // desktop.ini, hidden and system: it gives the folder its view
    kLocked,          // held open by a program that does not share delete
    kRefused,         // the platform refused the delete for another reason
    kGone,            // no longer there when its turn came: someone else removed it
};

struct EntryDecision {
    EntryAction action = EntryAction::kLeave;
    LeaveReason reason = LeaveReason::kNone;
};

// Whether an entry that stays is a trace the clean failed to remove: a read-only or locked file,
// a delete the system refused. Subfolders, links to folders and a folder's view settings stay by
// design, and an entry that someone else removed first is gone all the same.
bool IsTraceLeftBehind(LeaveReason reason);

// `found` is entry.path as the file system shows it, at the listing or since; nothing when the
// path is empty or names nothing now.
// Only an entry that is no file-system object goes to the shell: a file that has gone since the
// list was taken is not the run's to count.
EntryDecision DecideEntry(const ShellEntry& entry, const std::optional<DirectoryEntry>& found);

// Why a file stays when the platform answers `status` to its delete.
LeaveReason ReasonForStatus(long status);

std::wstring_view LeaveReasonText(LeaveReason reason);

}  // namespace nivaro
