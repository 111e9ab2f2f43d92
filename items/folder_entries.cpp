#include "items/folder_entries.h"

#include <algorithm>

namespace nivaro {
namespace {

std::wstring_view FileName(std::wstring_view path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

bool IsFolderSettingsFile(std::wstring_view path, std::uint32_t attributes)
{
    constexpr std::uint32_t kHiddenSystem = file_attr::kHidden | file_attr::kSystem;
    constexpr std::wstring_view kName = L"desktop.ini";
    const std::wstring_view name = FileName(path);
    return (attributes & kHiddenSystem) == kHiddenSystem &&
           std::ranges::equal(name, kName, [](wchar_t a, wchar_t b) {
               return (a >= L'A' && a <= L'Z' ? a - L'A' + L'a' : a) == b;
           });
}

}  // namespace

EntryDecision DecideEntry(const ShellEntry& entry, const std::optional<DirectoryEntry>& found)
{
    if (entry.path.empty()) {
        return {EntryAction::kShellDelete, LeaveReason::kNone};
    }
    if (!found) {
        return {EntryAction::kLeave, LeaveReason::kGone};
    }
    const std::uint32_t attributes = found->attributes;
    if ((attributes & file_attr::kDirectory) != 0) {
        const bool linked = (attributes & file_attr::kReparsePoint) != 0;
        return {EntryAction::kLeave, linked ? LeaveReason::kLinkedFolder : LeaveReason::kSubfolder};
    }
    if ((attributes & file_attr::kReadOnly) != 0) {
        return {EntryAction::kLeave, LeaveReason::kReadOnly};
    }
    if (IsFolderSettingsFile(entry.path, attributes)) {
        return {EntryAction::kLeave, LeaveReason::kFolderSettings};
    }
    return {EntryAction::kRemoveFile, LeaveReason::kNone};
}

bool IsTraceLeftBehind(LeaveReason reason)
{
    return reason == LeaveReason::kReadOnly || reason == LeaveReason::kLocked || reason == LeaveReason::kRefused;
}

LeaveReason ReasonForStatus(long status)
{
    switch (status) {
    case file_status::kSuccess:
        return LeaveReason::kNone;
    case file_status::kSharingViolation:
        return LeaveReason::kLocked;
    case file_status::kFileNotFound:
    case file_status::kPathNotFound:
        return LeaveReason::kGone;
    default:
        return LeaveReason::kRefused;
    }
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
    }
    return L"";
}

}  // namespace nivaro
