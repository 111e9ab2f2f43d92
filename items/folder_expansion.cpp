#include "items/folder_expansion.h"

#include <vector>

#include "items/item_paths.h"
#include "items/name_pattern.h"
#include "platform/name_case.h"

namespace nivaro {
namespace {

constexpr std::size_t kListingBatch = 256;

// A subfolder opened by a component as the user wrote it: the entry the system found by that name
// may differ from it in case, but it must be in this folder, and answer to the name.
class TypedName final : public EntryQuestions {
public:
    bool NameShared() override { return true; }  // a name written without its trailing dots is no match
};

bool IsFolderMatch(const ShellEntry& entry, std::wstring_view component)
{
    return entry.IsFileSystemObject() && (entry.attributes & file_attr::kDirectory) != 0 &&
           MatchesPattern(entry.parsingName, component);
}

}  // namespace

Error TooManyFolders(std::wstring_view where)
{
    return {error_number::kPathNotFound, std::wstring(where) + L" reaches more than " +
                                             std::to_wstring(kMostFoldersPerItem) +
                                             L" folders, more than one item may walk: none of them is cleaned"};
}

Result<> ExpandFolders(FolderHandle& from, std::size_t token, std::span<const std::wstring> components,
                       FolderBudget& budget, ExpansionSink& sink)
{
    if (components.empty()) {
        sink.Matched(token, from);
        return {};
    }
    const std::wstring& component = components.front();
    const std::span<const std::wstring> rest = components.subspan(1);
    auto enter = [&](const std::wstring& name, FolderOpening opening) -> Result<> {
        if (!budget.Take()) {
            return std::unexpected(TooManyFolders(from.Path()));
        }
        const std::size_t entered = sink.Entered(token, name, *opening.folder);
        return ExpandFolders(*opening.folder, entered, rest, budget, sink);
    };
    if (!HasWildcard(component)) {
        // A component written out is opened by that name, and need be no listed entry's.
        FolderOpening opening = from.OpenSubfolder(component);
        if (opening.outcome != FolderOpen::kOpened) {
            return {};
        }
        const EntryLocation& where = opening.location;
        if (!where.inFolder || !SameName(where.leaf, component)) {
            return {};  // followed a link: no match
        }
        const std::wstring name = where.leaf;  // as the folder holds it, for opening it again
        return enter(name, std::move(opening));
    }
    std::vector<ShellEntry> listed;
    for (;;) {
        const Result<bool> more = from.Next(listed, kListingBatch);
        if (!more) {
            return std::unexpected(more.error());
        }
        if (!*more) {
            break;
        }
    }
    TypedName typed;
    for (const ShellEntry& entry : listed) {
        if (!IsFolderMatch(entry, component)) {
            continue;
        }
        if (std::optional<LeaveReason> left = SubfolderLeftByListing(entry)) {
            sink.Passed(token, entry, *left);
            continue;
        }
        FolderOpening opening = from.OpenSubfolder(entry.parsingName);
        if (const LeaveReason why = DecideSubfolder(entry, opening, typed); why != LeaveReason::kNone) {
            if (why == LeaveReason::kLinkedFolder) {
                sink.Passed(token, entry, why);
            }
            continue;  // gone since it was listed, or cannot be opened: no match
        }
        if (Result<> expanded = enter(entry.parsingName, std::move(opening)); !expanded) {
            return expanded;
        }
    }
    return {};
}

}  // namespace nivaro
