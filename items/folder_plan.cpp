#include "items/folder_plan.h"

#include "items/cookie_hosts.h"
#include "items/folder_inspection.h"
#include "items/item_paths.h"
#include "items/name_pattern.h"
#include "platform/path_join.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

Error NotFound(std::wstring description)
{
    return {error_number::kPathNotFound, std::move(description)};
}

// A keep-list fails closed: a cookie file that cannot be read whole might be for a kept host.
bool KeptByCookieHost(const ItemPlan& plan, EntryHandle& handle)
{
    if (!plan.keepByCookieHost || plan.keep.empty() || !handle.IsFile()) {
        return false;  // a pipe is never read: the read would wait for a writer
    }
    const std::optional<std::string> text = handle.ReadWhole(kLargestReadableFile);
    if (!text) {
        return true;
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

// The folder the part names, as people read it: where its folder before the wildcards really is,
// and the rest of its path as written.
std::wstring Shown(const FolderHandle& base, const WildcardPath& path, wchar_t separator)
{
    std::wstring shown = base.Path();
    for (const std::wstring& component : path.components) {
        shown = JoinPath(shown, component, separator);
    }
    return shown;
}

}  // namespace

bool TrimmedNameCounts::Shared(std::wstring_view name)
{
    if (!counted_) {
        counted_ = true;
        names_([&](std::wstring_view each) { ++counts_[std::wstring(WithoutTrailingDotsAndBlanks(each))]; });
    }
    const auto found = counts_.find(std::wstring(WithoutTrailingDotsAndBlanks(name)));
    return found != counts_.end() && found->second > 1;
}

std::optional<LeaveReason> KeptByName(const ItemPlan& plan, const FolderRules& rules, const ShellEntry& entry)
{
    if (ExcludedBy(rules, entry)) {
        return LeaveReason::kExcluded;
    }
    if (MatchesAny(entry.name, plan.keep) || (entry.name != entry.parsingName && MatchesAny(entry.parsingName, plan.keep))) {
        return LeaveReason::kKeepList;
    }
    return std::nullopt;
}

Inspection Inspect(const ItemPlan& plan, const FolderRules& rules, FolderHandle& folder, const ShellEntry& entry,
                   TrimmedNameCounts& trimmed, Foresight foresight)
{
    if (std::optional<EntryDecision> decided = DecideFromListing(entry)) {
        if (decided->action == EntryAction::kShellDelete) {
            if (std::optional<LeaveReason> kept = KeptByName(plan, rules, entry)) {
                return {{EntryAction::kLeave, *kept}, nullptr};
            }
        }
        return {*decided, nullptr};
    }
    if (std::optional<LeaveReason> kept = KeptByName(plan, rules, entry)) {
        return {{EntryAction::kLeave, *kept}, nullptr};
    }
    EntryOpening opening = folder.Open(entry.parsingName);
    TrimmedNameQuestions questions(trimmed, entry.parsingName);
    const EntryDecision decision = DecideOpened(entry, opening, questions);
    if (decision.action != EntryAction::kRemoveFile) {
        return {decision, nullptr};
    }
    if (KeptByCookieHost(plan, *opening.entry)) {
        return {{EntryAction::kLeave, LeaveReason::kKeepList}, nullptr};
    }
    // A pipe or a socket lists as an empty file: only an entry listed without bytes can be one.
    if (foresight == Foresight::kDecideEach && entry.size == 0 && !opening.entry->IsFile()) {
        return {{EntryAction::kLeave, ReasonForDelete(DeleteOutcome::kNotAFile)}, nullptr};
    }
    return {decision, std::move(opening.entry)};
}

Result<std::wstring> ResolveFolderSetting(const PlatformServices& services, std::wstring_view setting)
{
    if (!setting.starts_with(L'%')) {
        return std::wstring(setting);
    }
    const std::wstring name(setting.substr(1));
    return FolderOfShellValue(services, name, ReadTypedText(services.registry, kCurrentUser, kShellFoldersKey, name));
}

Result<std::wstring> FolderOfShellValue(const PlatformServices& services, const std::wstring& name,
                                        const std::optional<TypedText>& value)
{
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
    case FolderForm::kExpanded:
        return ExpandItemPath(services, target.path);
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
    const FolderTarget& what = std::get<FolderTarget>(part.what);
    Result<std::wstring> path = ResolveFolder(services, what);
    if (!path) {
        part.target = what.path;
        part.problem = path.error();
        return;
    }
    part.target = *path;
    // A window item's setting is one folder's path, never a pattern.
    part.path = what.form == FolderForm::kSetting ? WildcardPath{*path, {}} : SplitAtWildcards(*path, services.files.Separator());
    switch (services.files.Form(part.path.base)) {
    case PathForm::kEmpty:
        part.problem = NotFound(part.path.components.empty() ? L"No folder is set" : *path + L" is not a full path");
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
    auto folder = services.files.OpenFolder(part.path.base);
    if (!folder) {
        // A folder of the system's or of an application's that is not there holds no traces: a
        // fresh machine has no jump lists yet. The window's own items say that their folder is
        // missing.
        const bool absent = folder.error().number == file_status::kFileNotFound ||
                            folder.error().number == file_status::kPathNotFound;
        if (!absent || what.form == FolderForm::kSetting) {
            part.problem = NotFound(*path + L": " + folder.error().description);
        }
        part.absent = absent;
        return;
    }
    part.target = Shown(**folder, part.path, services.files.Separator());
    // Each folder a wildcard matches is asked on its own; the folder before them is only listed.
    if (part.path.components.empty()) {
        // A built-in item's folder, found from a Shell Folders value or a known folder, must be one
        // of the user's own, wherever the value or the system has moved it.
        const bool found = what.form == FolderForm::kKnownFolder ||
                           (what.form == FolderForm::kSetting && what.path.starts_with(L'%'));
        const Reach reach = found ? Reach::kUsersOwn : Reach::kAnywhere;
        if (std::optional<std::wstring> why = WhyProtectedNow(services, **folder, reach)) {
            part.problem = Error{error_number::kPermissionDenied, std::move(*why)};
            part.reason = LeaveReason::kProtected;
            return;
        }
    }
    part.folder = std::move(*folder);
}

FolderRun::FolderRun(const PlatformServices& services, const ItemPlan& plan)
    : exclusions(FileExclusions::Resolve(services, plan.exclude)), own(services)
{
}

}  // namespace nivaro
