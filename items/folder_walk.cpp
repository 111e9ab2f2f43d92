// Listing a folder part: the folder its path names, or each folder its wildcards match, and for a
// recursive target every folder below them, each entered by its parent's handle and its exact
// name, and closed as soon as its own entries are listed.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <iterator>

#include "items/folder_inspection.h"
#include "items/folder_plan.h"
#include "items/name_pattern.h"
#include "platform/path_join.h"

namespace nivaro {
namespace {

// Entries are listed this many at a time, with the host's events let through between.
constexpr std::size_t kListingBatch = 256;
// How long the listing's thread is waited for before events are let through again.
constexpr std::chrono::milliseconds kListingWait{10};

// Every entry the lister lists, a batch at a time; `between` is asked after each batch whether to
// go on.
template <class Between>
Result<> ReadListing(EntryLister& lister, std::vector<ShellEntry>& out, Between between)
{
    for (bool more = true; more;) {
        Result<bool> read = lister.Next(out, kListingBatch);
        if (!read) {
            return std::unexpected(read.error());
        }
        more = *read && between();
    }
    return {};
}

bool IsListedFolder(const ShellEntry& entry)
{
    return entry.IsFileSystemObject() && (entry.attributes & file_attr::kDirectory) != 0;
}

ShellEntry FolderEntry(const FolderHandle& folder, std::wstring name)
{
    return {name, name, folder.Path(), file_attr::kDirectory};
}

class PartWalk final : public ExpansionSink {
public:
    PartWalk(const PlatformServices& services, ItemPlan& plan, std::size_t part, Foresight foresight, RunPace& pace,
             FolderRun& run)
        : services_(services), plan_(plan), part_(part), what_(std::get<FolderTarget>(plan.parts[part].what)),
          foresight_(foresight), pace_(pace), run_(run)
    {
    }

    bool Stopped() const { return stopped_; }

    std::size_t AddFolder(std::optional<std::size_t> parent, std::wstring name, const FolderHandle& folder, bool shell)
    {
        plan_.folders.push_back(
            {part_, parent, std::move(name), folder.Path(), run_.exclusions.RulesFor(folder.Path()), shell});
        return plan_.folders.size() - 1;
    }

    std::size_t Entered(std::size_t parent, const std::wstring& name, const FolderHandle& folder) override
    {
        return AddFolder(parent, name, folder, false);
    }

    // A folder that the path's wildcards match: on its own a protected place or not.
    void Matched(std::size_t token, FolderHandle& folder) override
    {
        if (plan_.folders[token].parent) {
            if (WhyProtectedNow(services_, folder)) {
                Leave(FolderEntry(folder, plan_.folders[token].name), *plan_.folders[token].parent, LeaveReason::kProtected);
                return;
            }
        }
        Named(folder, token);
    }

    void Passed(std::size_t parent, const ShellEntry& entry, LeaveReason why) override { Leave(entry, parent, why); }

private:
    // The folder the target names: its entries, what lies below it, and for kRemoveSelf the folder
    // itself once emptied, unless it is one of the program's own items' folders.
    void Named(FolderHandle& folder, std::size_t index)
    {
        const bool emptied = Walk(folder, index, 0);
        if (what_.depth == FolderDepth::kRemoveSelf && !stopped_) {
            AddRemoval(FolderEntry(folder, plan_.folders[index].name), index, emptied);
        }
    }

    // Lists one folder and decides its entries while it is open, then goes below it. Whether it
    // would be empty once the clean has been through it: asked only of a preview.
    bool Walk(FolderHandle& folder, std::size_t index, std::size_t depth)
    {
        std::vector<ShellEntry> entries;
        if (!List(folder, index, entries)) {
            return false;
        }
        const bool recursive = what_.depth != FolderDepth::kOwnEntries;
        const std::size_t first = plan_.targets.size();
        std::vector<ShellEntry> subfolders;
        bool emptied = true;
        for (ShellEntry& entry : entries) {
            if (recursive && IsListedFolder(entry)) {
                subfolders.push_back(std::move(entry));
            } else if (what_.patterns.empty() || MatchesAny(entry.name, what_.patterns) ||
                       MatchesAny(entry.parsingName, what_.patterns)) {
                PlannedTarget& target = plan_.targets.emplace_back(PlannedTarget{.entry = std::move(entry), .part = part_});
                target.folder = index;
                if (target.entry.IsFileSystemObject() && (target.entry.attributes & file_attr::kDirectory) == 0) {
                    target.size = target.entry.size;
                }
            } else {
                emptied = false;  // an entry the target does not name stays in the folder
            }
        }
        TrimmedNameCounts trimmed([&](const std::function<void(std::wstring_view)>& each) {
            for (std::size_t at = first; at < plan_.targets.size(); ++at) {
                if (plan_.targets[at].entry.IsFileSystemObject()) {
                    each(plan_.targets[at].entry.parsingName);
                }
            }
            for (const ShellEntry& sub : subfolders) {
                each(sub.parsingName);
            }
        });
        if (foresight_ == Foresight::kDecideEach) {
            for (std::size_t at = first; at < plan_.targets.size(); ++at) {
                if (!pace_.Continue()) {
                    stopped_ = true;
                    return false;
                }
                PlannedTarget& target = plan_.targets[at];
                const EntryDecision decision =
                    Inspect(plan_, plan_.folders[index].rules, folder, target.entry, trimmed, foresight_).decision;
                target.remove = decision.action != EntryAction::kLeave;
                target.reason = decision.reason;
                emptied = emptied && target.remove;
                pace_.Seen(plan_.targets.size());
            }
        }
        for (const ShellEntry& sub : subfolders) {
            const bool gone = Descend(folder, index, sub, depth, trimmed);
            emptied = emptied && gone;
            if (stopped_) {
                return false;
            }
        }
        return emptied;
    }

    // Enters a subfolder by its exact name, when it is one the walk may enter; whether it would be
    // removed (asked of a preview of kRemoveSelf only).
    bool Descend(FolderHandle& parent, std::size_t parentIndex, const ShellEntry& entry, std::size_t depth,
                 TrimmedNameCounts& trimmed)
    {
        if (std::optional<LeaveReason> left = SubfolderLeftByListing(entry)) {
            return Leave(entry, parentIndex, *left);
        }
        if (std::optional<LeaveReason> kept = KeptByName(plan_, plan_.folders[parentIndex].rules, entry)) {
            return Leave(entry, parentIndex, *kept);
        }
        if (run_.exclusions.RulesFor(JoinPath(parent.Path(), entry.parsingName, services_.files.Separator())).excludeAll) {
            return Leave(entry, parentIndex, LeaveReason::kExcluded);
        }
        if (depth + 1 > kDeepestFolder) {
            return Leave(entry, parentIndex, LeaveReason::kTooDeep);
        }
        if (!run_.budget.Take()) {
            return Leave(entry, parentIndex, LeaveReason::kWalkLimit);
        }
        FolderOpening opening = parent.OpenSubfolder(entry.parsingName);
        TrimmedNameQuestions questions(trimmed, entry.parsingName);
        if (const LeaveReason why = DecideSubfolder(entry, opening, questions); why != LeaveReason::kNone) {
            return Leave(entry, parentIndex, why);
        }
        std::unique_ptr<FolderHandle> folder = std::move(opening.folder);
        if (WhyProtectedNow(services_, *folder)) {
            return Leave(entry, parentIndex, LeaveReason::kProtected);
        }
        const std::size_t index = AddFolder(parentIndex, entry.parsingName, *folder, false);
        const bool emptied = Walk(*folder, index, depth + 1);
        folder.reset();  // done with it before its neighbours are opened
        if (what_.depth != FolderDepth::kRemoveSelf || stopped_) {
            return false;
        }
        return AddRemoval(entry, index, emptied);
    }

    // The folder itself, to be removed once what it held is gone; whether a preview foresees it.
    bool AddRemoval(const ShellEntry& entry, std::size_t index, bool emptied)
    {
        PlannedTarget& target = plan_.targets.emplace_back(PlannedTarget{.entry = entry, .part = part_});
        target.entry.path = plan_.folders[index].path;
        target.folder = index;
        target.container = true;
        if (run_.own.IsOne(plan_.folders[index].path)) {
            target.remove = false;
            target.reason = LeaveReason::kProtected;
            target.settled = true;
        } else if (foresight_ == Foresight::kDecideEach) {
            target.remove = emptied;
            target.reason = emptied ? LeaveReason::kNone : LeaveReason::kNotEmpty;
        }
        return target.remove;
    }

    // An entry the walk does not enter and no clean touches: false, as it is never removed.
    bool Leave(const ShellEntry& entry, std::size_t folder, LeaveReason why)
    {
        PlannedTarget& target = plan_.targets.emplace_back(PlannedTarget{.entry = entry, .part = part_});
        target.folder = folder;
        target.remove = false;
        target.reason = why;
        target.settled = true;
        return false;
    }

    // The folder's entries, read once. The shell shows what a window item's folder holds, virtual
    // entries included; a plain folder, or one the shell does not reach, is listed from its own
    // handle instead.
    bool List(FolderHandle& folder, std::size_t index, std::vector<ShellEntry>& entries)
    {
        PlanPart& part = plan_.parts[part_];
        Result<> read;
        if (plan_.folders[index].shell) {
            if (auto shell = services_.shell.NameSpace(folder.Path()); shell && !(*shell)->ShowsOnlyFiles()) {
                part.shellFolder = std::move(*shell);
            }
        }
        if (part.shellFolder && plan_.folders[index].shell) {
            // The shell's view belongs to this thread's apartment: it is read here, a batch at a time.
            read = ReadListing(*part.shellFolder, entries, [&] {
                stopped_ = !pace_.Continue();
                return !stopped_;
            });
        } else if (plan_.folders[index].shell) {
            read = ListOnThread(folder, entries);
        } else {
            read = ReadListing(folder, entries, [&] {
                stopped_ = !pace_.Continue();
                return !stopped_;
            });
        }
        if (!read) {
            part.problem = read.error();
            stopped_ = true;
        }
        return !stopped_;
    }

    // Wine reads a whole folder at the first call of its listing, a tenth of a second at a hundred
    // thousand entries: a window item's folder is listed on a thread of its own while this one lets
    // events through. Nothing else touches the folder meanwhile. Other folders are listed here: a
    // thread of their own would cost more than the listing of most.
    Result<> ListOnThread(FolderHandle& folder, std::vector<ShellEntry>& entries)
    {
        std::atomic<bool> stop = false;
        auto reading = std::async(std::launch::async, [&] {
            return ReadListing(folder, entries, [&] { return !stop.load(); });
        });
        while (reading.wait_for(kListingWait) != std::future_status::ready) {
            if (!pace_.Continue()) {
                stop = true;
            }
        }
        Result<> read = reading.get();
        stopped_ = stopped_ || stop;
        return read;
    }

    const PlatformServices& services_;
    ItemPlan& plan_;
    std::size_t part_;
    const FolderTarget& what_;
    Foresight foresight_;
    RunPace& pace_;
    FolderRun& run_;
    bool stopped_ = false;
};

}  // namespace

void ListFolder(const PlatformServices& services, ItemPlan& plan, std::size_t index, Foresight foresight,
                RunPace& pace, FolderRun& run)
{
    PlanPart& part = plan.parts[index];
    if (!part.problem && run.exclusions.Problem()) {
        part.problem = run.exclusions.Problem();
        part.reason = LeaveReason::kExcluded;
    }
    if (!part.folder && !part.problem && !part.absent) {
        FindFolder(services, part);
    }
    // Held from here to the end of the part, and no longer.
    const std::unique_ptr<FolderHandle> base = std::move(part.folder);
    if (!base || part.problem) {
        return;
    }
    const std::size_t firstTarget = plan.targets.size();
    const std::size_t firstFolder = plan.folders.size();
    const bool shell = std::get<FolderTarget>(part.what).form == FolderForm::kSetting;
    PartWalk walk(services, plan, index, foresight, pace, run);
    const std::size_t baseIndex = walk.AddFolder(std::nullopt, part.path.base, *base, shell);
    if (Result<> expanded = ExpandFolders(*base, baseIndex, part.path.components, run.budget, walk); !expanded) {
        // A path whose wildcards cannot all be followed runs nowhere: what it reaches is not known.
        part.problem = expanded.error();
        plan.targets.resize(firstTarget);
        plan.folders.resize(firstFolder);
    }
}

}  // namespace nivaro
