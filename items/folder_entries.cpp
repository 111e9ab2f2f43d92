#include "items/folder_entries.h"

#include "platform/name_case.h"

namespace nivaro {
namespace {

bool IsFolderSettingsFile(std::wstring_view name, std::uint32_t attributes)
{
    constexpr std::uint32_t kHiddenSystem = file_attr::kHidden | file_attr::kSystem;
    constexpr std::wstring_view kName = L"desktop.ini";
    return (attributes & kHiddenSystem) == kHiddenSystem && SameName(name, kName);
}

// A name that cannot stand for an entry of this folder alone: joined to a path or opened by
// itself it would reach into another folder, or be the folder or its parent.
bool IsUnsafeName(std::wstring_view name)
{
    return name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/") != std::wstring_view::npos;
}

}  // namespace

std::wstring_view WithoutTrailingDotsAndBlanks(std::wstring_view name)
{
    const std::size_t last = name.find_last_not_of(L". ");
    return last == std::wstring_view::npos ? std::wstring_view() : name.substr(0, last + 1);
}

namespace {

// Whether a handle opened by the entry's name is the entry itself: kNone when it is, else kLink.
LeaveReason ReasonForLocation(const ShellEntry& entry, const EntryLocation& where, EntryQuestions& questions)
{
    if (!where.inFolder) {
        return LeaveReason::kLink;
    }
    if (where.leaf == entry.parsingName) {
        return LeaveReason::kNone;
    }
    // A platform that shows names without their trailing dots and blanks shows this one so too;
    // it is the entry itself unless another entry would be shown by the same name.
    const std::wstring_view trimmed = WithoutTrailingDotsAndBlanks(entry.parsingName);
    if (trimmed.size() != entry.parsingName.size() && where.leaf == trimmed) {
        return questions.NameShared() ? LeaveReason::kUnverifiableName : LeaveReason::kNone;
    }
    return LeaveReason::kLink;
}

}  // namespace

std::optional<LeaveReason> SubfolderLeftByListing(const ShellEntry& entry)
{
    if (IsUnsafeName(entry.parsingName)) {
        return LeaveReason::kUnsafeName;
    }
    if ((entry.attributes & file_attr::kReparsePoint) != 0) {
        return LeaveReason::kLinkedFolder;
    }
    return std::nullopt;
}

std::optional<EntryDecision> DecideFromListing(const ShellEntry& entry)
{
    if (!entry.IsFileSystemObject()) {
        return EntryDecision{EntryAction::kShellDelete, LeaveReason::kNone};
    }
    if (IsUnsafeName(entry.parsingName)) {
        return EntryDecision{EntryAction::kLeave, LeaveReason::kUnsafeName};
    }
    const std::uint32_t attributes = entry.attributes;
    if ((attributes & file_attr::kDirectory) != 0) {
        const bool linked = (attributes & file_attr::kReparsePoint) != 0;
        return EntryDecision{EntryAction::kLeave, linked ? LeaveReason::kLinkedFolder : LeaveReason::kSubfolder};
    }
    // Before read-only: a folder's view settings stay, whether marked read-only or not.
    if (IsFolderSettingsFile(entry.parsingName, attributes)) {
        return EntryDecision{EntryAction::kLeave, LeaveReason::kFolderSettings};
    }
    if ((attributes & file_attr::kReadOnly) != 0) {
        return EntryDecision{EntryAction::kLeave, LeaveReason::kReadOnly};
    }
    return std::nullopt;
}

EntryDecision DecideOpened(const ShellEntry& entry, const EntryOpening& opening, EntryQuestions& questions)
{
    switch (opening.outcome) {
    case EntryOpen::kOpened:
        break;
    case EntryOpen::kDirectory:
        return {EntryAction::kLeave, (entry.attributes & file_attr::kReparsePoint) != 0 ? LeaveReason::kLinkedFolder
                                                                                        : LeaveReason::kSubfolder};
    case EntryOpen::kLocked:
        return {EntryAction::kLeave, LeaveReason::kLocked};
    case EntryOpen::kNotFound:
        return {EntryAction::kLeave, LeaveReason::kGone};
    case EntryOpen::kBadName:
        return {EntryAction::kLeave, LeaveReason::kUnopenableName};
    case EntryOpen::kNotAFile:
        return {EntryAction::kLeave, LeaveReason::kNotAFile};
    case EntryOpen::kDenied:
    case EntryOpen::kFailed:
        return {EntryAction::kLeave, LeaveReason::kRefused};
    }
    const LeaveReason where = ReasonForLocation(entry, opening.entry->Location(), questions);
    return {where == LeaveReason::kNone ? EntryAction::kRemoveFile : EntryAction::kLeave, where};
}

LeaveReason DecideSubfolder(const ShellEntry& entry, const FolderOpening& opening, EntryQuestions& questions)
{
    switch (opening.outcome) {
    case FolderOpen::kOpened: {
        const LeaveReason where = ReasonForLocation(entry, opening.location, questions);
        return where == LeaveReason::kLink ? LeaveReason::kLinkedFolder : where;
    }
    case FolderOpen::kLink:
        return LeaveReason::kLinkedFolder;
    case FolderOpen::kNotAFolder:
        return LeaveReason::kChanged;  // listed as a folder, something else by now
    case FolderOpen::kNotFound:
        return LeaveReason::kGone;
    case FolderOpen::kBadName:
        return LeaveReason::kUnopenableName;
    case FolderOpen::kDenied:
    case FolderOpen::kFailed:
        break;
    }
    return LeaveReason::kRefused;
}

LeaveReason ReasonForDelete(DeleteOutcome outcome)
{
    switch (outcome) {
    case DeleteOutcome::kDeleted:
        return LeaveReason::kNone;
    case DeleteOutcome::kReadOnly:
        return LeaveReason::kReadOnly;
    case DeleteOutcome::kNotAFile:
        return LeaveReason::kNotAFile;
    case DeleteOutcome::kNotEmpty:
        return LeaveReason::kNotEmpty;
    case DeleteOutcome::kRefused:
        return LeaveReason::kRefused;
    }
    return LeaveReason::kRefused;
}

bool IsTraceLeftBehind(LeaveReason reason)
{
    switch (reason) {
    case LeaveReason::kNone:
    case LeaveReason::kSubfolder:
    case LeaveReason::kLinkedFolder:
    case LeaveReason::kFolderSettings:
    case LeaveReason::kGone:
    case LeaveReason::kKeepList:
    case LeaveReason::kExcluded:
    case LeaveReason::kProtected:
    case LeaveReason::kNotEmpty:
        return false;
    case LeaveReason::kReadOnly:
    case LeaveReason::kLocked:
    case LeaveReason::kRefused:
    case LeaveReason::kLink:
    case LeaveReason::kUnsafeName:
    case LeaveReason::kUnopenableName:
    case LeaveReason::kUnverifiableName:
    case LeaveReason::kNotAFile:
    case LeaveReason::kTooDeep:
    case LeaveReason::kWalkLimit:
    case LeaveReason::kChanged:
        return true;
    }
    return true;
}

std::wstring_view LeaveReasonText(LeaveReason reason)
{
    switch (reason) {
    case LeaveReason::kNone:
        return L"";
    case LeaveReason::kSubfolder:
        return L"subfolder";
    case LeaveReason::kLinkedFolder:
        return L"link to a folder";
    case LeaveReason::kReadOnly:
        return L"read-only";
    case LeaveReason::kFolderSettings:
        return L"folder settings";
    case LeaveReason::kLocked:
        return L"locked";
    case LeaveReason::kRefused:
        return L"refused";
    case LeaveReason::kGone:
        return L"gone";
    case LeaveReason::kLink:
        return L"link";
    case LeaveReason::kUnsafeName:
        return L"unsafe name";
    case LeaveReason::kUnopenableName:
        return L"name cannot be opened";
    case LeaveReason::kUnverifiableName:
        return L"name cannot be verified";
    case LeaveReason::kNotAFile:
        return L"not a file";
    case LeaveReason::kKeepList:
        return L"keep-list";
    case LeaveReason::kExcluded:
        return L"excluded";
    case LeaveReason::kProtected:
        return L"protected folder";
    case LeaveReason::kNotEmpty:
        return L"not empty";
    case LeaveReason::kTooDeep:
        return L"too deep";
    case LeaveReason::kWalkLimit:
        return L"too many to walk";
    case LeaveReason::kChanged:
        return L"changed while cleaning";
    }
    return L"";
}

}  // namespace nivaro
