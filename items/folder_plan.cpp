#include "items/folder_plan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <iterator>
#include <unordered_map>

#include "items/cookie_hosts.h"
#include "items/item_path.h"
#include "items/name_pattern.h"
#include "items/protected_places.h"
#include "platform/path_join.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

// Entries are listed this many at a time, with the host's events let through between.
constexpr std::size_t kListingBatch = 256;
// How long the listing's thread is waited for before events are let through again.
constexpr std::chrono::milliseconds kListingWait{10};
// A cookie file names its hosts near its start; a file longer than this is no cookie.
constexpr std::size_t kCookieBytes = 64 * 1024;

Error NotFound(std::wstring description)
{
    return {error_number::kPathNotFound, std::move(description)};
}

bool KeptByName(const ItemPlan& plan, const ShellEntry& entry)
{
    return MatchesAny(entry.name, plan.keep) || (entry.name != entry.parsingName && MatchesAny(entry.parsingName, plan.keep));
}

bool KeptByCookieHost(const ItemPlan& plan, EntryHandle& handle)
{
    if (!plan.keepByCookieHost || plan.keep.empty() || !handle.IsFile()) {
        return false;  // a pipe is never read: the read would wait for a writer
    }
    const std::optional<std::string> text = handle.ReadStart(kCookieBytes);
    if (!text) {
        return false;
    }
    for (const std::wstring& host : CookieHosts(*text)) {
        for (const std::wstring& pattern : plan.keep) {
            if (HostKept(host, pattern)) {
                return true;
            }
        }
    }
    return false;
}

PlannedTarget Listed(ShellEntry entry, std::size_t part)
{
    PlannedTarget target{.entry = std::move(entry), .part = part};
    if (target.entry.IsFileSystemObject() && (target.entry.attributes & file_attr::kDirectory) == 0) {
        target.size = target.entry.size;
    }
    return target;
}

// Every entry the lister lists whose name a pattern takes, a batch at a time; `between` is asked
// after each batch whether to go on.
template <class Between>
Result<> ReadListing(EntryLister& lister, const std::vector<std::wstring>& patterns, std::size_t part,
                     std::vector<PlannedTarget>& out, Between between)
{
    std::vector<ShellEntry> batch;
    for (bool more = true; more;) {
        batch.clear();
        Result<bool> read = lister.Next(batch, kListingBatch);
        for (ShellEntry& entry : batch) {
            if (patterns.empty() || MatchesAny(entry.name, patterns) || MatchesAny(entry.parsingName, patterns)) {
                out.push_back(Listed(std::move(entry), part));
            }
        }
        if (!read) {
            return std::unexpected(read.error());
        }
        more = *read && between();
    }
    return {};
}

}  // namespace

// How many of a folder's entries end up with each name once the dots and blanks that end it are
// taken away, counted the first time it is asked: most folders never need it.
class TrimmedNameCounts {
public:
    TrimmedNameCounts(const std::vector<PlannedTarget>& targets, std::size_t part) : targets_(targets), part_(part) {}

    bool Shared(std::wstring_view name)
    {
        if (!counted_) {
            counted_ = true;
            for (const PlannedTarget& target : targets_) {
                if (target.part == part_ && target.entry.IsFileSystemObject()) {
                    ++counts_[std::wstring(WithoutTrailingDotsAndBlanks(target.entry.parsingName))];
                }
            }
        }
        const auto found = counts_.find(std::wstring(WithoutTrailingDotsAndBlanks(name)));
        return found != counts_.end() && found->second > 1;
    }

private:
    const std::vector<PlannedTarget>& targets_;
    std::size_t part_;
    std::unordered_map<std::wstring, int> counts_;
    bool counted_ = false;
};

namespace {

struct Inspection {
    EntryDecision decision;
    std::unique_ptr<EntryHandle> handle;  // held when the entry is to go: the delete goes through it
};

// The one way an entry is decided, for a preview and a clean alike. A preview also asks the
// handle whether it is on a file, which a clean learns from the delete itself.
Inspection Inspect(const ItemPlan& plan, FolderHandle& folder, const ShellEntry& entry, TrimmedNameCounts& trimmed,
                   Foresight foresight)
{
    if (std::optional<EntryDecision> decided = DecideFromListing(entry)) {
        if (decided->action == EntryAction::kShellDelete && KeptByName(plan, entry)) {
            return {{EntryAction::kLeave, LeaveReason::kKeepList}, nullptr};
        }
        return {*decided, nullptr};
    }
    if (KeptByName(plan, entry)) {
        return {{EntryAction::kLeave, LeaveReason::kKeepList}, nullptr};
    }
    EntryOpening opening = folder.Open(entry.parsingName);
    class Questions final : public EntryQuestions {
    public:
        Questions(FolderHandle& f, const ShellEntry& e, TrimmedNameCounts& t) : folder_(f), entry_(e), trimmed_(t) {}
        bool StillListed() override { return folder_.Holds(entry_.parsingName); }
        bool NameShared() override { return trimmed_.Shared(entry_.parsingName); }

    private:
        FolderHandle& folder_;
        const ShellEntry& entry_;
        TrimmedNameCounts& trimmed_;
    } questions(folder, entry, trimmed);
    const EntryDecision decision = DecideOpened(entry, opening, questions);
    if (decision.action != EntryAction::kRemoveFile) {
        return {decision, nullptr};
    }
    if (KeptByCookieHost(plan, *opening.entry)) {
        return {{EntryAction::kLeave, LeaveReason::kKeepList}, nullptr};
    }
    if (foresight == Foresight::kDecideEach && !opening.entry->IsFile()) {
        return {{EntryAction::kLeave, ReasonForDelete(DeleteOutcome::kNotAFile)}, nullptr};
    }
    return {decision, std::move(opening.entry)};
}

}  // namespace

Result<std::wstring> ResolveFolderSetting(const PlatformServices& services, std::wstring_view setting)
{
    if (!setting.starts_with(L'%')) {
        return std::wstring(setting);
    }
    const std::wstring name(setting.substr(1));
    const std::optional<TypedText> value = ReadTypedText(services.registry, kCurrentUser, kShellFoldersKey, name);
    if (!value) {
        return std::unexpected(NotFound(L"The user's Shell Folders key holds no value \"" + name + L"\""));
    }
    switch (value->type) {
    case reg_type::kString:
        return value->text;
    case reg_type::kExpandString:
        return services.environment.Expand(value->text);
    default:
        return std::unexpected(Error{error_number::kTypeMismatch, L"The Shell Folders value \"" + name +
                                                                      L"\" is of an unsupported value type"});
    }
}

Result<std::wstring> ResolveFolder(const PlatformServices& services, const FolderTarget& target)
{
    switch (target.form) {
    case FolderForm::kSetting:
        return ResolveFolderSetting(services, target.path);
    case FolderForm::kExpanded: {
        // Of the folders a variable may name (Program Files, and its 32-bit twin), the first there is.
        const std::vector<std::wstring> folders = ExpandItemPath(services.environment, target.path, services.files.Separator());
        if (folders.empty()) {
            return std::unexpected(NotFound(L"The variable of " + target.path + L" has no value here"));
        }
        const auto present = std::ranges::find_if(folders, [&](const std::wstring& f) { return services.files.Exists(f); });
        return present != folders.end() ? *present : folders.front();
    }
    case FolderForm::kKnownFolder:
        break;
    }
    const std::optional<std::wstring> known = target.place ? services.environment.KnownFolder(*target.place) : std::nullopt;
    if (!known) {
        return std::unexpected(NotFound(L"The system has no such folder"));
    }
    if (target.path.empty()) {
        return *known;
    }
    return JoinPath(*known, target.path, services.files.Separator());
}

void FindFolder(const PlatformServices& services, PlanPart& part)
{
    Result<std::wstring> path = ResolveFolder(services, std::get<FolderTarget>(part.what));
    if (!path) {
        part.target = std::get<FolderTarget>(part.what).path;
        part.problem = path.error();
        return;
    }
    part.target = *path;
    switch (services.files.Form(*path)) {
    case PathForm::kEmpty:
        part.problem = NotFound(L"No folder is set");
        return;
    case PathForm::kRelative:
        part.problem = NotFound(*path + L" is not a full path");
        return;
    case PathForm::kNetwork:
        part.problem = NotFound(*path + L" is on the network; only local folders are cleaned");
        return;
    case PathForm::kFull:
        break;
    }
    auto folder = services.files.OpenFolder(*path);
    if (!folder) {
        // A folder of the system's or of an application's that is not there holds no traces: a
        // fresh machine has no jump lists yet. The window's own items say that their folder is
        // missing.
        const bool absent = folder.error().number == file_status::kFileNotFound ||
                            folder.error().number == file_status::kPathNotFound;
        if (!absent || std::get<FolderTarget>(part.what).form == FolderForm::kSetting) {
            part.problem = NotFound(*path + L": " + folder.error().description);
        }
        return;
    }
    part.target = (*folder)->Path();
    if (std::optional<std::wstring> why = WhyProtected(**folder, services.files, services.environment)) {
        part.problem = Error{error_number::kPermissionDenied, std::move(*why)};
        return;
    }
    part.folder = std::move(*folder);
}

void ListFolder(const PlatformServices& services, ItemPlan& plan, std::size_t index, Foresight foresight,
                RunPace& pace)
{
    PlanPart& part = plan.parts[index];
    if (!part.folder || part.problem) {
        return;
    }
    // The shell shows what the folder holds, virtual entries included. A plain folder, or one the
    // shell does not reach, is listed from its own handle instead: in batches, and reading nothing
    // twice.
    if (auto shell = services.shell.NameSpace(part.folder->Path()); shell && !(*shell)->ShowsOnlyFiles()) {
        part.shellFolder = std::move(*shell);
    }
    const std::vector<std::wstring>& patterns = std::get<FolderTarget>(part.what).patterns;
    const std::size_t first = plan.targets.size();
    Result<> read;
    if (part.shellFolder) {
        // The shell's view belongs to this thread's apartment: it is read here, a batch at a time.
        read = ReadListing(*part.shellFolder, patterns, index, plan.targets, [&] { return pace.Continue(); });
    } else {
        // Wine reads a whole folder at the first call of its listing, a tenth of a second at a
        // hundred thousand entries: the listing runs on a thread of its own while this one lets
        // events through. Nothing else touches the folder meanwhile.
        std::atomic<bool> stop = false;
        std::vector<PlannedTarget> listed;
        auto reading = std::async(std::launch::async, [&] {
            return ReadListing(*part.folder, patterns, index, listed, [&] { return !stop.load(); });
        });
        while (reading.wait_for(kListingWait) != std::future_status::ready) {
            if (!pace.Continue()) {
                stop = true;
            }
        }
        read = reading.get();
        std::ranges::move(listed, std::back_inserter(plan.targets));
        if (stop) {
            return;
        }
    }
    if (!read) {
        part.problem = read.error();
        return;
    }
    if (foresight == Foresight::kListOnly) {
        return;
    }
    TrimmedNameCounts trimmed(plan.targets, index);
    for (std::size_t at = first; at < plan.targets.size(); ++at) {
        if (!pace.Continue()) {
            return;
        }
        PlannedTarget& target = plan.targets[at];
        const EntryDecision decision = Inspect(plan, *part.folder, target.entry, trimmed, Foresight::kDecideEach).decision;
        target.remove = decision.action != EntryAction::kLeave;
        target.reason = decision.reason;
        pace.Seen(at + 1);
    }
}

FolderCarrier::FolderCarrier(ItemPlan& plan) : plan_(plan)
{
    for (std::size_t part = 0; part < plan.parts.size(); ++part) {
        trimmed_.push_back(std::make_unique<TrimmedNameCounts>(plan.targets, part));
    }
}

FolderCarrier::~FolderCarrier() = default;

void FolderCarrier::Carry(PlannedTarget& target)
{
    PlanPart& part = plan_.parts[target.part];
    target.removed = false;
    if (!part.folder || part.problem) {
        target.reason = LeaveReason::kRefused;
        return;
    }
    Inspection inspection = Inspect(plan_, *part.folder, target.entry, *trimmed_[target.part], Foresight::kListOnly);
    target.remove = inspection.decision.action != EntryAction::kLeave;
    target.reason = inspection.decision.reason;
    if (inspection.decision.action == EntryAction::kRemoveFile) {
        target.reason = ReasonForDelete(inspection.handle->Delete());
    } else if (inspection.decision.action == EntryAction::kShellDelete) {
        const bool gone = part.shellFolder && part.shellFolder->InvokeDelete(target.entry).value_or(false);
        target.reason = gone ? LeaveReason::kNone : LeaveReason::kRefused;
    }
    target.removed = target.remove && target.reason == LeaveReason::kNone;
}  // the entry's handle closes here, and a deleted entry goes with it

}  // namespace nivaro
