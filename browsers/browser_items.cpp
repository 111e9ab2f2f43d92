#include "browsers/browser_items.h"

#include <algorithm>
#include <array>

#include "browsers/browser_traces.h"
#include "browsers/profile_discovery.h"
#include "platform/path_join.h"
#include "platform/profile_files.h"

namespace nivaro {
namespace {

// A trace as its item shows it; {browser} in a description stands for the browser's name.
struct TraceItem {
    std::string_view id;  // after the browser's: "edge-history"
    std::wstring_view title;
    std::wstring_view description;
    bool onByDefault = true;
    std::optional<BrowserTrace> database;  // nothing for the traces that are folders
};

constexpr std::array kTraceItems = {
    TraceItem{"history", L"History",
              L"{browser} forgets the pages visited in every profile: visits, typed addresses and searches, top sites, "
              L"shortcuts, and the icons of pages that are not bookmarked. Bookmarks, keywords and their icons stay.",
              true, BrowserTrace::kHistory},
    TraceItem{"cookies", L"Cookies",
              L"{browser}'s cookies go in every profile, and with them sign-ins and site settings; the sites this "
              L"item's keep-list names (Keep= in the items file) stay signed in.",
              true, BrowserTrace::kCookies},
    TraceItem{"cache", L"Cache",
              L"{browser}'s copies of pages, scripts and images go; sites load more slowly once.", true, std::nullopt},
    TraceItem{"downloads", L"Download list",
              L"{browser}'s list of downloads empties; the downloaded files themselves stay.", true,
              BrowserTrace::kDownloads},
    TraceItem{"form-data", L"Form data",
              L"{browser} forgets what was typed into forms and offers it no more; saved addresses, cards, passwords "
              L"and search engines stay.",
              false, BrowserTrace::kFormData},
    TraceItem{"session", L"Open tabs",
              L"{browser} forgets its open windows and tabs: it starts without them, and they cannot be restored.",
              false, std::nullopt},
};

// The folder names a Chromium profile keeps its caches in.
constexpr std::wstring_view kChromiumCaches[] = {L"Cache", L"Code Cache", L"GPUCache"};
// The session files of older Chromium profiles, beside its Sessions folder.
constexpr std::wstring_view kChromiumSessionFiles[] = {L"Current Session", L"Current Tabs", L"Last Session",
                                                       L"Last Tabs"};

std::wstring_view VariableOf(KnownPlace place)
{
    return place == KnownPlace::kLocalAppData ? L"%LocalAppData%" : L"%AppData%";
}

std::wstring Join(std::wstring_view a, std::wstring_view b)
{
    return std::wstring(a) + L"\\" + std::wstring(b);
}

FolderTarget Folder(std::wstring path, FolderDepth depth, std::vector<std::wstring> patterns = {})
{
    return {.form = FolderForm::kExpanded, .path = std::move(path), .patterns = std::move(patterns), .depth = depth};
}

// Where the folders of every profile are, as a path of the items file's form: a wildcard stands
// for the profiles of a user-data folder, so that the engine walks each profile's folder by handle.
std::wstring ProfilesPath(const BrowserInfo& browser, KnownPlace place, std::wstring_view path)
{
    const std::wstring base = Join(VariableOf(place), path);
    switch (browser.layout) {
    case ProfileLayout::kUserData:
        return Join(base, L"*");
    case ProfileLayout::kSingleProfile:
        return base;
    case ProfileLayout::kFirefoxProfiles:
        return Join(base, L"Profiles\\*");
    }
    return base;
}

std::vector<ItemTarget> CacheTargets(const BrowserInfo& browser)
{
    std::vector<ItemTarget> targets;
    if (browser.family == BrowserFamily::kFirefox) {
        targets.push_back(
            Folder(Join(ProfilesPath(browser, browser.cachePlace, browser.cachePath), L"cache2"), FolderDepth::kRecurse));
        return targets;
    }
    std::vector<std::wstring> profiles{ProfilesPath(browser, browser.place, browser.path)};
    if (!browser.cachePath.empty()) {
        profiles.push_back(ProfilesPath(browser, browser.cachePlace, browser.cachePath));
    }
    for (const std::wstring& profile : profiles) {
        for (std::wstring_view cache : kChromiumCaches) {
            targets.push_back(Folder(Join(profile, cache), FolderDepth::kRecurse));
        }
    }
    return targets;
}

std::vector<ItemTarget> SessionTargets(const BrowserInfo& browser)
{
    const std::wstring profiles = ProfilesPath(browser, browser.place, browser.path);
    std::vector<ItemTarget> targets;
    if (browser.family == BrowserFamily::kFirefox) {
        targets.push_back(Folder(profiles, FolderDepth::kOwnEntries, {L"sessionstore.jsonlz4"}));
        targets.push_back(Folder(Join(profiles, L"sessionstore-backups"), FolderDepth::kOwnEntries));
        return targets;
    }
    targets.push_back(Folder(Join(profiles, L"Sessions"), FolderDepth::kOwnEntries));
    targets.push_back(Folder(profiles, FolderDepth::kOwnEntries,
                             std::vector<std::wstring>(std::begin(kChromiumSessionFiles), std::end(kChromiumSessionFiles))));
    return targets;
}

std::wstring Described(std::wstring_view text, std::wstring_view name)
{
    std::wstring described(text);
    constexpr std::wstring_view kName = L"{browser}";
    if (const std::size_t at = described.find(kName); at != std::wstring::npos) {
        described.replace(at, kName.size(), name);
    }
    return described;
}

std::vector<ItemDefinition> MakeBrowserItems()
{
    std::vector<ItemDefinition> items;
    for (const BrowserInfo& browser : kBrowsers) {
        for (const TraceItem& trace : kTraceItems) {
            ItemDefinition& item = items.emplace_back();
            item.id = std::string(browser.id) + "-" + std::string(trace.id);
            item.title = std::wstring(browser.name) + L" " + std::wstring(trace.title);
            item.group = std::wstring(kBrowsersGroup) + L": " + std::wstring(browser.name);
            item.description = Described(trace.description, browser.name);
            item.onByDefault = trace.onByDefault;
            item.detect.push_back({.kind = Detection::Kind::kFile, .path = Join(VariableOf(browser.place), browser.path)});
            if (trace.database) {
                item.targets.push_back(DatabaseTarget{.browser = std::string(browser.id),
                                                      .trace = std::string(trace.id),
                                                      .run = RunBrowserDatabases});
            } else if (trace.id == "cache") {
                item.targets = CacheTargets(browser);
            } else {
                item.targets = SessionTargets(browser);
            }
        }
    }
    return items;
}

std::optional<BrowserTrace> DatabaseTraceOf(std::string_view id)
{
    const auto found = std::ranges::find(kTraceItems, id, &TraceItem::id);
    return found == kTraceItems.end() ? std::nullopt : found->database;
}

// The part's targets from one database's outcome: its tables, or why it stays.
void AddDatabase(ItemPlan& plan, std::size_t part, const DatabaseOutcome& database, bool clean)
{
    const auto target = [&](std::wstring name) -> PlannedTarget& {
        PlannedTarget& made = plan.targets.emplace_back();
        made.entry.name = std::move(name);
        made.entry.path = database.path;
        made.part = part;
        return made;
    };
    switch (database.state) {
    case DatabaseState::kAbsent:
        return;
    case DatabaseState::kInUse:
    case DatabaseState::kLeft: {
        const std::wstring why = database.problem ? database.problem->description : L"left as it was";
        PlannedTarget& stays = target(std::wstring(database.path.substr(database.path.find_last_of(L"\\/") + 1)));
        stays.remove = false;
        stays.settled = true;
        stays.reason = database.state == DatabaseState::kInUse ? LeaveReason::kLocked : LeaveReason::kRefused;
        stays.note = why;
        if (database.state == DatabaseState::kLeft && !plan.parts[part].problem) {
            plan.parts[part].problem = Error{database.problem ? database.problem->number : 0, database.path + L": " + why};
        }
        return;
    }
    case DatabaseState::kReady:
    case DatabaseState::kDone:
        break;
    }
    for (const TableOutcome& table : database.tables) {
        const std::wstring name(table.table.begin(), table.table.end());
        if (table.rows > 0) {
            PlannedTarget& goes = target(name);
            goes.rows = table.rows;
            goes.removed = clean;
            if (table.kind == StepKind::kReset) {
                goes.note = L"kept, its visit counts reset";
            }
        }
        if (table.kept > 0) {
            PlannedTarget& stays = target(name);
            stays.rows = table.kept;
            stays.remove = false;
            stays.settled = true;
            stays.reason = LeaveReason::kKeepList;
        }
    }
}

}  // namespace

const std::vector<ItemDefinition>& BrowserItems()
{
    static const std::vector<ItemDefinition> items = MakeBrowserItems();
    return items;
}

bool IsBrowserItemId(std::string_view id)
{
    return std::ranges::any_of(BrowserItems(), [&](const ItemDefinition& item) { return item.id == id; });
}

bool IsBrowserCookiesItem(const ItemDefinition& item)
{
    return std::ranges::any_of(item.targets, [](const ItemTarget& target) {
        const auto* database = std::get_if<DatabaseTarget>(&target);
        return database != nullptr && database->trace == "cookies";
    });
}

void RunBrowserDatabases(const PlatformServices& services, ItemPlan& plan, std::size_t part, bool clean)
{
    PlanPart& planned = plan.parts[part];
    const DatabaseTarget& what = std::get<DatabaseTarget>(planned.what);
    const auto browser = std::ranges::find(kBrowsers, what.browser, &BrowserInfo::id);
    const std::optional<BrowserTrace> trace = DatabaseTraceOf(what.trace);
    if (browser == kBrowsers.end() || !trace) {
        planned.problem = Error{error_number::kPermissionDenied, L"No browser trace " + std::wstring(what.browser.begin(), what.browser.end()) + L"-" +
                                                                     std::wstring(what.trace.begin(), what.trace.end())};
        return;
    }
    const std::optional<std::wstring> data = DataFolderPath(*browser, services.environment, services.files.Separator());
    if (!data) {
        planned.absent = true;
        return;
    }
    planned.target = *data;
    std::unique_ptr<ProfileFiles> files = MakeProfileFiles();
    BrowserProfiles found = DiscoverProfiles(*browser, *data, *files, services.files, services.environment);
    planned.target = found.dataPath;
    if (!found.present) {
        planned.absent = true;
        return;
    }
    if (found.problem) {
        planned.problem = found.problem;
        return;
    }
    // A keep-list that cannot be had keeps every cookie: the cleaner refuses to remove any.
    const Result<std::vector<std::wstring>> keep =
        what.keepUnreadable ? Result<std::vector<std::wstring>>(std::unexpected(Error{database_status::kNoKeepList, *what.keepUnreadable}))
                            : Result<std::vector<std::wstring>>(plan.keep);
    for (DiscoveredProfile& profile : found.profiles) {
        if (profile.problem) {
            if (!planned.problem) {
                planned.problem = Error{profile.problem->number, profile.path + L": " + profile.problem->description};
            }
            continue;
        }
        const TraceOutcome outcome =
            RunTrace(*files, *browser, profile, *trace, keep, clean ? DatabaseMode::kClean : DatabaseMode::kPreview);
        for (const DatabaseOutcome& database : outcome.databases) {
            AddDatabase(plan, part, database, clean);
        }
    }
}

}  // namespace nivaro
