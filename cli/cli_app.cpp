#include "cli/cli_app.h"

#include <algorithm>
#include <memory>

#include "cli/arguments.h"
#include "cli/json_text.h"
#include "items/folder_plan.h"
#include "items/item_engine.h"
#include "items/name_pattern.h"
#include "main/catalogue.h"
#include "main/count_text.h"
#include "main/item_preview.h"
#include "main/refused_lines.h"
#include "nivaro_version.h"
#include "platform/utf8.h"
#include "platform/visible_text.h"
#include "registry/mod_reg.h"

namespace nivaro::cli {
namespace {

std::wstring Id(const CatalogueItem& item)
{
    return FromUtf8(item.definition.id);
}

bool IsFolderPart(const ItemTarget& target)
{
    return std::holds_alternative<FolderTarget>(target);
}

bool IsDatabasePart(const ItemTarget& target)
{
    return std::holds_alternative<DatabaseTarget>(target);
}

bool IsKeyPart(const ItemTarget& target)
{
    return std::holds_alternative<RegistryTarget>(target);
}

std::wstring_view KindName(const ItemDefinition& item)
{
    const bool folders = std::ranges::any_of(item.targets, IsFolderPart);
    const bool keys = std::ranges::any_of(item.targets, IsKeyPart);
    const bool databases = std::ranges::any_of(item.targets, IsDatabasePart);
    if (folders + keys + databases > 1) {
        return L"mixed";
    }
    return folders ? L"folder" : databases ? L"database" : L"registry";
}

// What each target names, as its setting says it and, where that differs, where it resolves now.
std::wstring Setting(const PlatformServices& services, const ItemTarget& target)
{
    if (const auto* key = std::get_if<RegistryTarget>(&target)) {
        std::wstring text = KeyDisplayName(key->root, key->key);
        if (key->value) {
            text += L" (value \"" + *key->value + L"\")";
        }
        return key->eachSubkey ? text + L"\\*" : text;
    }
    if (const auto* database = std::get_if<DatabaseTarget>(&target)) {
        return L"the " + FromUtf8(database->trace) + L" databases of every " + FromUtf8(database->browser) + L" profile";
    }
    const auto& folder = std::get<FolderTarget>(target);
    const Result<std::wstring> resolved = ResolveFolder(services, folder);
    std::wstring text = folder.form == FolderForm::kSetting ? folder.path : L"";
    if (folder.form != FolderForm::kSetting || folder.path.starts_with(L'%')) {
        text += (text.empty() ? L"" : L" = ") + (resolved ? *resolved : L"(not set)");
    }
    std::wstring patterns;
    for (const std::wstring& pattern : folder.patterns) {
        patterns += (patterns.empty() ? L" [" : L";") + pattern;
    }
    return text + (patterns.empty() ? L"" : patterns + L"]");
}

std::wstring Settings(const PlatformServices& services, const ItemDefinition& item)
{
    std::wstring text;
    for (const ItemTarget& target : item.targets) {
        text += (text.empty() ? L"" : L"; ") + Setting(services, target);
    }
    return text;
}

std::expected<std::vector<const CatalogueItem*>, std::wstring> Select(const Arguments& args, const Catalogue& catalogue)
{
    for (const std::wstring& id : args.ids) {
        if (catalogue.Find(ToUtf8(id)) == nullptr) {
            return std::unexpected(L"unknown item '" + id + L"' (see: nivaro-cli list)");
        }
    }
    for (const std::wstring& group : args.groups) {
        if (std::ranges::none_of(catalogue.Items(), [&](const auto& item) { return InGroup(item.definition, group); })) {
            return std::unexpected(L"no group '" + group + L"' (see: nivaro-cli list)");
        }
    }
    std::vector<const CatalogueItem*> selected;
    for (const CatalogueItem& item : catalogue.Items()) {
        bool chosen = false;
        if (args.every) {
            chosen = true;
        } else if (args.all) {
            chosen = item.control != nullptr;
        } else if (!args.groups.empty()) {
            chosen = std::ranges::any_of(args.groups, [&](const auto& group) { return InGroup(item.definition, group); });
        } else if (!args.ids.empty()) {
            chosen = std::ranges::find(args.ids, Id(item)) != args.ids.end();
        } else {
            chosen = item.control != nullptr && item.definition.onByDefault;  // as "Clean" in the window
        }
        if (chosen) {
            selected.push_back(&item);
        }
    }
    return selected;
}

struct Totals {
    std::size_t done = 0;    // removed, or to remove
    std::size_t left = 0;    // stayed, or to leave
    std::size_t failed = 0;  // of those left, the traces a clean failed to remove
    std::size_t cannotRun = 0;

    int ExitCode() const
    {
        return cannotRun > 0 ? exit_code::kCannotRun : failed > 0 ? exit_code::kSomeStayed : exit_code::kAllRemoved;
    }
};

std::wstring Quoted(std::wstring_view name)
{
    return L"\"" + std::wstring(name) + L"\"";
}

// The user's items file in a JSON report: its counts and every line it refused.
Json ItemsFileJson(const UserItems& user)
{
    if (!user.file && !user.error) {
        return nullptr;
    }
    Json file{{"path", ExactText(user.path)}, {"error", user.error ? ExactText(*user.error) : Json(nullptr)}};
    if (user.file) {
        const EntryCounts counts = CountEntries(*user.file);
        Json refused = Json::array();
        for (const LineFate& fate : user.file->lines) {
            if (!fate.accepted) {
                refused.push_back(Json{{"line", fate.line},
                                       {"reason", ToUtf8(fate.reason)},
                                       {"message", ExactText(fate.message)},
                                       {"entryRefusedFor", fate.cause == 0 ? Json(nullptr) : Json(fate.cause)}});
            }
        }
        file["entries"] = counts.entries;
        file["loaded"] = counts.loaded;
        file["loadedWhole"] = counts.whole;
        file["refused"] = std::move(refused);
    }
    return file;
}

class Report {
public:
    Report(bool cleaning, bool json, Environment& environment, const UserItems& user)
        : cleaning_(cleaning), json_(json), environment_(environment), user_(user)
    {
    }

    void Add(const CatalogueItem& item, const ItemPlan& plan)
    {
        std::size_t done = 0;
        std::size_t left = 0;
        Json targets = Json::array();
        std::wstring lines;
        const auto itemKey = ItemKey(plan);
        for (const PlannedTarget& target : plan.targets) {
            const bool gone = cleaning_ ? target.removed : target.remove;
            (gone ? done : left) += 1;
            const std::wstring action = cleaning_ ? (gone ? L"removed" : L"stayed") : (gone ? L"remove" : L"leave");
            const bool folder = IsFolderPart(plan.parts[target.part].what);
            const LeaveReason reason = target.reason == LeaveReason::kNone ? LeaveReason::kRefused : target.reason;
            if (!gone && IsTraceLeftBehind(reason)) {
                ++totals_.failed;
            }
            const std::wstring why = target.note.empty() ? std::wstring(LeaveReasonText(reason)) : target.note;
            if (IsDatabasePart(plan.parts[target.part].what)) {
                AddDatabaseTarget(target, action, gone, why, targets, lines);
                continue;
            }
            const std::optional<ValueNames> value =
                folder ? std::nullopt : std::optional(NameValue(plan, itemKey, target));
            // Only the report asked for is made: a folder of many entries makes a long one.
            if (json_) {
                Json entry{{"name", ExactText(value ? value->relative : target.Label())}, {"action", ToUtf8(action)}};
                if (folder) {
                    entry["path"] = target.entry.path.empty() ? Json(nullptr) : ExactText(target.entry.path);
                    entry["size"] = target.size ? Json(*target.size) : Json(nullptr);
                } else {
                    entry["key"] = ExactText(value->key);
                }
                if (!gone) {
                    entry["reason"] = ToUtf8(LeaveReasonText(reason));
                }
                targets.push_back(std::move(entry));
                continue;
            }
            lines += L"  " + action + std::wstring(8 - action.size(), L' ') +
                     (value ? Quoted(Visible(value->relative)) : Label(folder, target));
            if (!gone) {
                lines += L"  [" + std::wstring(LeaveReasonText(reason)) + L"]";
            }
            lines += L"\n";
        }
        totals_.done += done;
        totals_.left += left;
        if (plan.problem) {
            ++totals_.cannotRun;
        }

        // Each part that could not run, whatever the others did.
        Json problems = Json::array();
        for (const PlanPart& part : plan.parts) {
            if (part.problem) {
                problems.push_back(ExactText(part.problem->description));
            }
        }
        const ItemDefinition& definition = item.definition;
        items_.push_back(Json{{"id", definition.id},
                              {"title", ExactText(definition.title)},
                              {"kind", ToUtf8(KindName(definition))},
                              {"group", ExactText(definition.group)},
                              {"target", ExactText(plan.target)},
                              {"problem", plan.problem ? ExactText(plan.problem->description) : Json(nullptr)},
                              {"problems", std::move(problems)},
                              {"warning", definition.warning.empty() ? Json(nullptr) : ExactText(definition.warning)},
                              {"targets", std::move(targets)},
                              {DoneKey(), done},
                              {LeftKey(), left}});

        text_ += Visible(definition.title) + L" [" + Id(item) + L"]: " + Visible(plan.target) + L"\n";
        bool told = false;
        for (const PlanPart& part : plan.parts) {
            if (part.problem) {
                text_ += L"  cannot run: " + Visible(part.problem->description) + L"\n";
                told = true;
            }
        }
        if (plan.problem && !told) {
            text_ += L"  cannot run: " + Visible(plan.problem->description) + L"\n";
        }
        if (plan.problem && plan.targets.empty()) {
            return;
        }
        text_ += lines;
        text_ += L"  " + CountsText(done, left) + L"\n";
    }

    // The item during which the run stopped: it is told as one that could not run, and the run
    // ends in its own exit code.
    void Stop(const CatalogueItem& item, const std::wstring& why)
    {
        ItemPlan plan;
        plan.target = L"(stopped)";
        plan.problem = Error{0, why};
        Add(item, plan);
        stopped_ = true;
    }

    int ExitCode() const { return stopped_ ? exit_code::kStopped : totals_.ExitCode(); }

    // A table of a database and its rows, or a whole database that stays, with the database's path.
    void AddDatabaseTarget(const PlannedTarget& target, const std::wstring& action, bool gone, const std::wstring& why,
                           Json& targets, std::wstring& lines) const
    {
        if (json_) {
            Json entry{{"name", ToUtf8(target.entry.name)},
                       {"action", ToUtf8(action)},
                       {"database", ToUtf8(target.entry.path)},
                       {"rows", target.rows ? Json(*target.rows) : Json(nullptr)}};
            if (!gone || !target.note.empty()) {
                entry["reason"] = ToUtf8(why);
            }
            targets.push_back(std::move(entry));
            return;
        }
        std::wstring line = L"  " + action + std::wstring(8 - action.size(), L' ') + target.entry.path;
        if (target.rows) {
            line += L": " + target.entry.name + L"  (" + Count(*target.rows) + (*target.rows == 1 ? L" row)" : L" rows)");
        }
        if (!gone || !target.note.empty()) {
            line += L"  [" + why + L"]";
        }
        lines += line + L"\n";
    }

    std::wstring Render() const
    {
        if (json_) {
            const Json document{{"command", cleaning_ ? "clean" : "preview"},
                                {"items", items_},
                                {"totals", {{DoneKey(), totals_.done}, {LeftKey(), totals_.left}, {"cannotRun", totals_.cannotRun}}},
                                {"itemsFile", ItemsFileJson(user_)},
                                {"exitCode", ExitCode()}};
            return FromUtf8(Dump(document)) + L"\n";
        }
        std::wstring total = L"Total: " + CountsText(totals_.done, totals_.left);
        if (totals_.cannotRun > 0) {
            total += L"; " + Count(totals_.cannotRun) + L" could not run";
        }
        return text_ + total + L"\n";
    }

private:
    const char* DoneKey() const { return cleaning_ ? "removed" : "remove"; }
    const char* LeftKey() const { return cleaning_ ? "stayed" : "leave"; }
    // Counts a person reads are grouped as the user's locale groups them; JSON keeps plain numbers.
    std::wstring Count(std::size_t n) const { return environment_.GroupedCount(n); }
    // "2 removed, 1 stayed", or "2 to remove, 1 to leave": both counts always, for scripts.
    std::wstring CountsText(std::size_t done, std::size_t left) const
    {
        return nivaro::CountsText(done, left, cleaning_ ? CountStage::kClean : CountStage::kPreview,
                                  [this](std::uint64_t n) { return Count(n); }, ZeroCounts::kSaid);
    }
    // A value by its quoted name, so that blanks show; a folder entry by its path and size, or by
    // its shell name when it is no file.
    // Names and paths as people can read them: control characters and lone surrogates escaped.
    std::wstring Label(bool folder, const PlannedTarget& target) const
    {
        if (!folder) {
            return Quoted(Visible(target.Label()));
        }
        if (target.entry.path.empty()) {
            return Visible(target.entry.name);
        }
        if (!target.size) {
            return Visible(target.entry.path);
        }
        return Visible(target.entry.path) + L"  (" + Count(*target.size) + (*target.size == 1 ? L" byte)" : L" bytes)");
    }

    bool cleaning_;
    bool json_;
    Environment& environment_;
    const UserItems& user_;
    Totals totals_;
    bool stopped_ = false;
    Json items_ = Json::array();
    std::wstring text_;
};

std::wstring Pad(std::wstring_view text, std::size_t width)
{
    std::wstring padded(text);
    padded.resize(std::max(width, text.size() + 1), L' ');
    return padded;
}

bool List(const Catalogue& catalogue, const PlatformServices& services, const Output& output)
{
    std::wstring text = Pad(L"ID", 16) + Pad(L"TITLE", 24) + Pad(L"KIND", 10) + Pad(L"GROUP", 12) + Pad(L"DEFAULT", 9) +
                        L"TARGET\n";
    for (const CatalogueItem& item : catalogue.Items()) {
        const ItemDefinition& d = item.definition;
        text += Pad(Id(item), 16) + Pad(Visible(d.title), 24) + Pad(KindName(d), 10) + Pad(Visible(d.group), 12) +
                Pad(d.onByDefault ? L"on" : L"off", 9) + Visible(Settings(services, d)) + L"\n";
    }
    return output.out(text);
}

// Of each reason a line of the items file was refused for, the lines shown without --verbose.
constexpr std::size_t kRefusedLinesShown = 3;

// Why the user's file could not be read, or its refused lines by reason: on standard error.
void TellAboutUserItems(const UserItems& user, const Output& output, bool verbose, Environment& environment)
{
    const CountFormat count = [&](std::uint64_t n) { return environment.GroupedCount(n); };
    const std::vector<std::wstring> problems = UserItemsProblems(user, verbose ? kEveryLine : kRefusedLinesShown, count);
    std::wstring text;
    for (const std::wstring& problem : problems) {
        text += L"nivaro-cli: " + Visible(problem) + L"\n";
    }
    if (!verbose && user.file && !problems.empty()) {
        text += L"nivaro-cli: (--verbose lists every refused line)\n";
    }
    if (!text.empty()) {
        (void)output.err(text);
    }
}

// What the authors of the items to be cleaned warn of, before anything goes.
void TellWarnings(const std::vector<const CatalogueItem*>& items, const Output& output)
{
    for (const CatalogueItem* item : items) {
        if (!item->definition.warning.empty()) {
            (void)output.err(L"nivaro-cli: warning: " + Visible(item->definition.title) + L": " + Visible(item->definition.warning) + L"\n");
        }
    }
}

}  // namespace

std::wstring CurrentErrorText()
{
    try {
        throw;
    } catch (const std::exception& error) {
        return FromUtf8(error.what());
    } catch (...) {
        return L"an exception of unknown kind";
    }
}

int RunCli(const std::vector<std::wstring>& args, const PlatformServices& services, const Output& output)
{
    auto parsed = ParseArguments(args);
    if (!parsed) {
        (void)output.err(L"nivaro-cli: " + Visible(parsed.error()) + L"\n" + L"Try 'nivaro-cli --help'.\n");
        return exit_code::kUsage;
    }
    if (parsed->command == Command::kHelp || parsed->command == Command::kVersion) {
        const std::wstring_view text = parsed->command == Command::kHelp ? kUsage : L"nivaro-cli " NIVARO_VERSION_WIDE L"\n";
        return output.out(text) ? exit_code::kAllRemoved : exit_code::kReportNotWritten;
    }

    const UserItems user = ReadUserItems(services, parsed->itemsFile);
    TellAboutUserItems(user, output, parsed->verbose, services.environment);
    const Catalogue catalogue = Catalogue::Build(services, user);
    if (parsed->command == Command::kList) {
        return List(catalogue, services, output) ? exit_code::kAllRemoved : exit_code::kReportNotWritten;
    }

    auto selected = Select(*parsed, catalogue);
    if (!selected) {
        (void)output.err(L"nivaro-cli: " + Visible(selected.error()) + L"\n");
        return exit_code::kUsage;
    }
    const bool cleaning = parsed->command == Command::kClean;
    if (cleaning) {
        TellWarnings(*selected, output);
    }
    Report report(cleaning, parsed->json, services.environment, user);
    for (const CatalogueItem* item : *selected) {
        // A clean takes the list once and decides each entry as it reaches it; a preview decides
        // every entry ahead, changing nothing.
        Unpaced pace;
        ItemPlan plan;
        try {
            plan = PlanItem(services, item->definition, cleaning ? Foresight::kListOnly : Foresight::kDecideEach, pace);
            if (cleaning) {
                CarryItem(services, plan, pace);
            }
        } catch (...) {
            // What went before is told as it went; this item, and those after it, are not run.
            const std::wstring why = L"stopped by an unexpected error: " + CurrentErrorText();
            (void)output.err(L"nivaro-cli: " + Visible(item->definition.title) + L": " + Visible(why) + L"\n");
            report.Stop(*item, why);
            break;
        }
        // Each part that cannot run, whether or not the item's other parts ran.
        for (const PlanPart& part : plan.parts) {
            if (part.problem) {
                (void)output.err(L"nivaro-cli: " + Visible(item->definition.title) + L": " + Visible(part.problem->description) + L"\n");
            }
        }
        report.Add(*item, plan);
    }
    if (!output.out(report.Render())) {
        (void)output.err(L"nivaro-cli: the report could not be written\n");
        return exit_code::kReportNotWritten;
    }
    return report.ExitCode();
}

}  // namespace nivaro::cli
