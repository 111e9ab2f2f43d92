#include "cli/cli_app.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <memory>

#include "cli/arguments.h"
#include "items/nv_folder.h"
#include "items/nv_reg.h"
#include "main/form_items.h"
#include "main/item_layout.h"
#include "cli/headless_item_site.h"
#include "platform/utf8.h"
#include "registry/mod_reg.h"

namespace nivaro::cli {
namespace {

using Json = nlohmann::ordered_json;

struct CliItem {
    const ControlLayout& control;
    HeadlessItemSite site;
    std::unique_ptr<ItemFrame> item;

    std::wstring Id() const { return FromUtf8(control.id); }
    std::wstring_view KindName() const { return item->Kind() == ItemKind::kFolder ? L"folder" : L"registry"; }
};

bool StartsChecked(const ControlLayout& item)
{
    const std::optional<int> row = RowDigit(item.name);
    return row && std::ranges::any_of(kItemLayout, [&](const ControlLayout& c) {
               return c.kind == ControlKind::kCheckBox && c.index == *row && c.checked;
           });
}

// The item's target as its setting names it, and for a "%" folder the path it resolves to now.
std::wstring Setting(const CliItem& cli)
{
    if (cli.item->Kind() == ItemKind::kFolder) {
        const auto& folder = static_cast<const NvFolder&>(*cli.item);
        if (!folder.Folder().starts_with(L'%')) {
            return folder.Folder();
        }
        const std::wstring resolved = folder.ResolvePath();
        return folder.Folder() + L" = " + (resolved.empty() ? L"(not set)" : resolved);
    }
    const auto& reg = static_cast<const NvReg&>(*cli.item);
    return KeyDisplayName(reg.HKey(), reg.RegKey());
}

std::expected<std::vector<CliItem*>, std::wstring> Select(const Arguments& args,
                                                          const std::vector<std::unique_ptr<CliItem>>& items)
{
    std::vector<CliItem*> selected;
    for (const std::wstring& id : args.ids) {
        if (std::ranges::none_of(items, [&](const auto& item) { return item->Id() == id; })) {
            return std::unexpected(L"unknown item '" + id + L"' (see: nivaro-cli list)");
        }
    }
    for (const auto& item : items) {
        const bool chosen = args.all ? true
                            : args.ids.empty()
                                ? StartsChecked(item->control)
                                : std::ranges::find(args.ids, item->Id()) != args.ids.end();
        if (chosen) {
            selected.push_back(item.get());
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

// A value by its quoted name, so that blanks show; a folder entry by its path and size, or by
// its shell name when it is no file.
std::wstring TargetLabel(ItemKind kind, const PlannedTarget& target)
{
    if (kind == ItemKind::kRegistryList) {
        return Quoted(target.entry.name);
    }
    if (target.entry.path.empty()) {
        return target.entry.name;
    }
    if (!target.size) {
        return target.entry.path;
    }
    return target.entry.path + L"  (" + std::to_wstring(*target.size) + (*target.size == 1 ? L" byte)" : L" bytes)");
}

class Report {
public:
    Report(bool cleaning, bool json) : cleaning_(cleaning), json_(json) {}

    void Add(const CliItem& cli, const ItemPlan& plan)
    {
        std::size_t done = 0;
        std::size_t left = 0;
        Json targets = Json::array();
        std::wstring lines;
        for (const PlannedTarget& target : plan.targets) {
            const bool gone = cleaning_ ? target.removed : target.remove;
            (gone ? done : left) += 1;
            const std::wstring action = cleaning_ ? (gone ? L"removed" : L"stayed") : (gone ? L"remove" : L"leave");
            Json entry{{"name", ToUtf8(target.entry.name)}, {"action", ToUtf8(action)}};
            if (cli.item->Kind() == ItemKind::kFolder) {
                entry["path"] = target.entry.path.empty() ? Json(nullptr) : Json(ToUtf8(target.entry.path));
                entry["size"] = target.size ? Json(*target.size) : Json(nullptr);
            }
            std::wstring line = L"  " + action + std::wstring(8 - action.size(), L' ') + TargetLabel(cli.item->Kind(), target);
            if (!gone) {
                const LeaveReason reason = target.reason == LeaveReason::kNone ? LeaveReason::kRefused : target.reason;
                if (IsTraceLeftBehind(reason)) {
                    ++totals_.failed;
                }
                entry["reason"] = ToUtf8(LeaveReasonText(reason));
                line += L"  [" + std::wstring(LeaveReasonText(reason)) + L"]";
            }
            targets.push_back(std::move(entry));
            lines += line + L"\n";
        }
        totals_.done += done;
        totals_.left += left;
        if (plan.problem) {
            ++totals_.cannotRun;
        }

        items_.push_back(Json{{"id", cli.control.id},
                              {"title", ToUtf8(cli.item->Title())},
                              {"kind", ToUtf8(cli.KindName())},
                              {"target", ToUtf8(plan.target)},
                              {"problem", plan.problem ? Json(ToUtf8(plan.problem->description)) : Json(nullptr)},
                              {"targets", std::move(targets)},
                              {DoneKey(), done},
                              {LeftKey(), left}});

        text_ += cli.item->Title() + L" [" + cli.Id() + L"]: " + plan.target + L"\n";
        if (plan.problem) {
            text_ += L"  cannot run: " + plan.problem->description + L"\n";
            return;
        }
        text_ += lines;
        text_ += L"  " + CountsText(done, left) + L"\n";
    }

    int ExitCode() const { return totals_.ExitCode(); }

    std::wstring Render() const
    {
        if (json_) {
            const Json document{{"command", cleaning_ ? "clean" : "preview"},
                                {"items", items_},
                                {"totals", {{DoneKey(), totals_.done}, {LeftKey(), totals_.left}, {"cannotRun", totals_.cannotRun}}},
                                {"exitCode", ExitCode()}};
            return FromUtf8(document.dump(2)) + L"\n";
        }
        std::wstring total = L"Total: " + CountsText(totals_.done, totals_.left);
        if (totals_.cannotRun > 0) {
            total += L"; " + std::to_wstring(totals_.cannotRun) + L" could not run";
        }
        return text_ + total + L"\n";
    }

private:
    const char* DoneKey() const { return cleaning_ ? "removed" : "remove"; }
    const char* LeftKey() const { return cleaning_ ? "stayed" : "leave"; }
    // "2 removed, 1 stayed", or "2 to remove, 1 to leave".
    std::wstring CountsText(std::size_t done, std::size_t left) const
    {
        return std::to_wstring(done) + (cleaning_ ? L" removed, " : L" to remove, ") + std::to_wstring(left) +
               (cleaning_ ? L" stayed" : L" to leave");
    }

    bool cleaning_;
    bool json_;
    Totals totals_;
    Json items_ = Json::array();
    std::wstring text_;
};

std::wstring Pad(std::wstring_view text, std::size_t width)
{
    std::wstring padded(text);
    padded.resize(std::max(width, text.size() + 1), L' ');
    return padded;
}

bool List(const std::vector<std::unique_ptr<CliItem>>& items, const Output& output)
{
    std::wstring text = Pad(L"ID", 13) + Pad(L"TITLE", 18) + Pad(L"KIND", 10) + Pad(L"BOX", 9) + L"TARGET\n";
    for (const auto& item : items) {
        text += Pad(item->Id(), 13) + Pad(item->item->Title(), 18) + Pad(item->KindName(), 10) +
                Pad(StartsChecked(item->control) ? L"checked" : L"clear", 9) + Setting(*item) + L"\n";
    }
    return output.out(text);
}

}  // namespace

int RunCli(const std::vector<std::wstring>& args, const PlatformServices& services, const Output& output)
{
    auto parsed = ParseArguments(args);
    if (!parsed) {
        output.err(L"nivaro-cli: " + parsed.error() + L"\n" + L"Try 'nivaro-cli --help'.\n");
        return exit_code::kUsage;
    }
    if (parsed->command == Command::kHelp) {
        return output.out(kUsage) ? exit_code::kAllRemoved : exit_code::kReportNotWritten;
    }

    std::vector<std::unique_ptr<CliItem>> items;
    for (const ControlLayout& control : kItemLayout) {
        if (!control.IsItem()) {
            continue;
        }
        auto cli = std::make_unique<CliItem>(CliItem{control, {}, nullptr});
        auto item = CreateItem(control, cli->site, services);
        if (!item) {
            output.err(L"nivaro-cli: " + item.error().description + L"\n");
            return exit_code::kCannotRun;
        }
        cli->item = std::move(*item);
        items.push_back(std::move(cli));
    }
    if (parsed->command == Command::kList) {
        return List(items, output) ? exit_code::kAllRemoved : exit_code::kReportNotWritten;
    }

    auto selected = Select(*parsed, items);
    if (!selected) {
        output.err(L"nivaro-cli: " + selected.error() + L"\n");
        return exit_code::kUsage;
    }
    const bool cleaning = parsed->command == Command::kClean;
    Report report(cleaning, parsed->json);
    for (CliItem* cli : *selected) {
        // A clean takes the list once and decides each entry as it reaches it; a preview decides
        // every entry ahead, changing nothing.
        Unpaced pace;
        ItemPlan plan = cli->item->Plan(cleaning ? Foresight::kListOnly : Foresight::kDecideEach, pace);
        if (cleaning && !plan.problem) {
            cli->item->Carry(plan, pace);
        }
        if (plan.problem) {
            output.err(L"nivaro-cli: " + cli->item->Title() + L": " + plan.problem->description + L"\n");
        }
        report.Add(*cli, plan);
    }
    if (!output.out(report.Render())) {
        (void)output.err(L"nivaro-cli: the report could not be written\n");
        return exit_code::kReportNotWritten;
    }
    return report.ExitCode();
}

}  // namespace nivaro::cli
