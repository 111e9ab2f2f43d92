#include "items/folder_plan.h"

#include <unordered_map>

#include "items/protected_places.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

// Entries are listed this many at a time, with the host's events let through between.
constexpr std::size_t kListingBatch = 256;
// The shell's namespace reaches no folder whose path passes MAX_PATH; such a folder is listed
// from its own handle.
constexpr std::size_t kShellPathLimit = 260;

Error NotFound(std::wstring description)
{
    return {error_number::kPathNotFound, std::move(description)};
}

// How many of a folder's entries end up with each name once the dots and blanks that end it are
// taken away, counted the first time it is asked: most folders never need it.
class TrimmedNames {
public:
    explicit TrimmedNames(const std::vector<PlannedTarget>& targets) : targets_(targets) {}

    bool Shared(std::wstring_view name)
    {
        if (!counted_) {
            counted_ = true;
            for (const PlannedTarget& target : targets_) {
                if (target.entry.IsFileSystemObject()) {
                    ++counts_[std::wstring(WithoutTrailingDotsAndBlanks(target.entry.parsingName))];
                }
            }
        }
        const auto found = counts_.find(std::wstring(WithoutTrailingDotsAndBlanks(name)));
        return found != counts_.end() && found->second > 1;
    }

private:
    const std::vector<PlannedTarget>& targets_;
    std::unordered_map<std::wstring, int> counts_;
    bool counted_ = false;
};

struct Inspection {
    EntryDecision decision;
    std::unique_ptr<EntryHandle> handle;  // held when the entry is to go: the delete goes through it
};

// The one way an entry is decided, for a preview and a clean alike. A preview also asks the
// handle whether it is on a file, which a clean learns from the delete itself.
Inspection Inspect(FolderHandle& folder, const ShellEntry& entry, TrimmedNames& trimmed, Foresight foresight)
{
    if (std::optional<EntryDecision> decided = DecideFromListing(entry)) {
        return {*decided, nullptr};
    }
    EntryOpening opening = folder.Open(entry.parsingName);
    class Questions final : public EntryQuestions {
    public:
        Questions(FolderHandle& folder, const ShellEntry& entry, TrimmedNames& trimmed)
            : folder_(folder), entry_(entry), trimmed_(trimmed)
        {
        }
        bool StillListed() override { return folder_.Holds(entry_.parsingName); }
        bool NameShared() override { return trimmed_.Shared(entry_.parsingName); }

    private:
        FolderHandle& folder_;
        const ShellEntry& entry_;
        TrimmedNames& trimmed_;
    } questions(folder, entry, trimmed);
    const EntryDecision decision = DecideOpened(entry, opening, questions);
    if (decision.action != EntryAction::kRemoveFile) {
        return {decision, nullptr};
    }
    if (foresight == Foresight::kDecideEach && !opening.entry->IsFile()) {
        return {{EntryAction::kLeave, ReasonForDelete(DeleteOutcome::kNotAFile)}, nullptr};
    }
    return {decision, std::move(opening.entry)};
}

PlannedTarget Listed(ShellEntry entry)
{
    PlannedTarget target{.entry = std::move(entry)};
    if (target.entry.IsFileSystemObject() && (target.entry.attributes & file_attr::kDirectory) == 0) {
        target.size = target.entry.size;
    }
    return target;
}

// Finds the folder and refuses it when it may not be cleaned; on success the plan holds it.
bool OpenPlannedFolder(const PlatformServices& services, std::wstring_view setting, ItemPlan& plan)
{
    Result<std::wstring> path = ResolveFolderSetting(services, setting);
    if (!path) {
        plan.target = setting;
        plan.problem = path.error();
        return false;
    }
    plan.target = *path;
    switch (services.files.Form(*path)) {
    case PathForm::kEmpty:
        plan.problem = NotFound(L"No folder is set");
        return false;
    case PathForm::kRelative:
        plan.problem = NotFound(*path + L" is not a full path");
        return false;
    case PathForm::kNetwork:
        plan.problem = NotFound(*path + L" is on the network; only local folders are cleaned");
        return false;
    case PathForm::kFull:
        break;
    }
    auto folder = services.files.OpenFolder(*path);
    if (!folder) {
        plan.problem = NotFound(*path + L": " + folder.error().description);
        return false;
    }
    plan.target = (*folder)->Path();
    if (std::optional<std::wstring> why = WhyProtected(**folder, services.files, services.environment)) {
        plan.problem = Error{error_number::kPermissionDenied, std::move(*why)};
        return false;
    }
    plan.folder = std::move(*folder);
    return true;
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

ItemPlan FindFolder(const PlatformServices& services, std::wstring_view setting)
{
    ItemPlan plan;
    (void)OpenPlannedFolder(services, setting, plan);
    return plan;
}

ItemPlan PlanFolder(const PlatformServices& services, std::wstring_view setting, Foresight foresight, RunPace& pace)
{
    ItemPlan plan = FindFolder(services, setting);
    ListFolder(services, plan, foresight, pace);
    return plan;
}

void ListFolder(const PlatformServices& services, ItemPlan& plan, Foresight foresight, RunPace& pace)
{
    if (!plan.folder || plan.problem) {
        return;
    }
    // The shell shows what the folder holds, virtual entries included.
    if (plan.folder->Path().size() < kShellPathLimit) {
        if (auto shell = services.shell.NameSpace(plan.folder->Path())) {
            plan.shellFolder = std::move(*shell);
        }
    }
    EntryLister& lister = plan.shellFolder ? static_cast<EntryLister&>(*plan.shellFolder) : *plan.folder;
    std::vector<ShellEntry> batch;
    for (bool more = true; more;) {
        batch.clear();
        Result<bool> read = lister.Next(batch, kListingBatch);
        for (ShellEntry& entry : batch) {
            plan.targets.push_back(Listed(std::move(entry)));
        }
        if (!read) {
            plan.problem = read.error();
            return;
        }
        more = *read;
        if (!pace.Continue()) {
            return;
        }
    }
    if (foresight == Foresight::kListOnly) {
        return;
    }
    TrimmedNames trimmed(plan.targets);
    for (PlannedTarget& target : plan.targets) {
        if (!pace.Continue()) {
            return;
        }
        const EntryDecision decision = Inspect(*plan.folder, target.entry, trimmed, Foresight::kDecideEach).decision;
        target.remove = decision.action != EntryAction::kLeave;
        target.reason = decision.reason;
    }
}

std::size_t CarryFolder(const PlatformServices&, ItemPlan& plan, RunPace& pace)
{
    if (!plan.folder || plan.problem) {
        return 0;
    }
    TrimmedNames trimmed(plan.targets);
    std::size_t removed = 0;
    pace.Progress(0.0);
    for (std::size_t index = 0; index < plan.targets.size(); ++index) {
        (void)pace.Continue();  // a clean, once begun, works through every entry
        PlannedTarget& target = plan.targets[index];
        Inspection inspection = Inspect(*plan.folder, target.entry, trimmed, Foresight::kListOnly);
        target.remove = inspection.decision.action != EntryAction::kLeave;
        target.reason = inspection.decision.reason;
        target.removed = false;
        if (inspection.decision.action == EntryAction::kRemoveFile) {
            target.reason = ReasonForDelete(inspection.handle->Delete());
        } else if (inspection.decision.action == EntryAction::kShellDelete) {
            const bool gone = plan.shellFolder && plan.shellFolder->InvokeDelete(target.entry).value_or(false);
            target.reason = gone ? LeaveReason::kNone : LeaveReason::kRefused;
        }
        target.removed = target.remove && target.reason == LeaveReason::kNone;
        removed += target.removed ? 1 : 0;
        pace.Progress(static_cast<double>(index + 1) / static_cast<double>(plan.targets.size()));
    }
    return removed;
}

}  // namespace nivaro
