#include "main/catalogue.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#include "main/headless_item_site.h"
#include "browsers/browser_items.h"
#include "items/builtin_items.h"
#include "items/item_engine.h"
#include "items/name_pattern.h"
#include "main/form_items.h"
#include "platform/path_join.h"

namespace nivaro {
namespace {

constexpr std::wstring_view kUserFolder = L"Nivaro";
constexpr std::wstring_view kUserFile = L"items.ini";
// The keep-list of this item also matches the hosts its cookie files are for.
constexpr std::string_view kCookiesId = "cookies";

// What a user loses with each of the main window's items, by id.
constexpr std::array<std::pair<std::string_view, std::wstring_view>, 6> kWindowDescriptions = {{
    {"history", L"The browser's History folder empties: its record of the pages visited."},
    {"typed-urls", L"Internet Explorer's address bar forgets the addresses typed into it."},
    {"cookies", L"The browser's cookies go, and with them sign-ins and site settings."},
    {"recent-docs", L"Windows forgets the documents opened lately."},
    {"search", L"The file-sharing client forgets its searches."},
    {"paint", L"Paint forgets its recent files."},
}};

std::wstring_view DescriptionOf(std::string_view id)
{
    const auto found = std::ranges::find(kWindowDescriptions, id, &std::pair<std::string_view, std::wstring_view>::first);
    return found == kWindowDescriptions.end() ? std::wstring_view() : found->second;
}

bool StartsChecked(const ControlLayout& item)
{
    const std::optional<int> row = RowDigit(item.name);
    return row && std::ranges::any_of(kItemLayout, [&](const ControlLayout& c) {
               return c.kind == ControlKind::kCheckBox && c.index == *row && c.checked;
           });
}

// A window item's definition is what its widget says of itself once loaded from the layout.
std::optional<ItemDefinition> WindowItem(const ControlLayout& control, const PlatformServices& services)
{
    HeadlessItemSite site;
    auto item = CreateItem(control, site, services);
    if (!item) {
        return std::nullopt;
    }
    ItemDefinition definition = (*item)->Definition();
    definition.id = std::string(control.id);
    definition.group = std::wstring(kWindowGroup);
    definition.description = std::wstring(DescriptionOf(control.id));
    definition.onByDefault = StartsChecked(control);
    definition.keepByCookieHost = control.id == kCookiesId;
    return definition;
}

}  // namespace

bool IsOwnItemId(std::string_view id)
{
    return std::ranges::any_of(kItemLayout, [&](const ControlLayout& c) { return c.IsItem() && c.id == id; }) ||
           std::ranges::any_of(BuiltinItems(), [&](const ItemDefinition& item) { return item.id == id; }) ||
           IsBrowserItemId(id);
}

UserItems ReadUserItems(const PlatformServices& services, const std::optional<std::wstring>& path)
{
    UserItems user;
    if (path) {
        user.path = *path;
    } else if (const std::optional<std::wstring> appData = services.environment.KnownFolder(KnownPlace::kRoamingAppData)) {
        user.path = JoinPath(JoinPath(*appData, kUserFolder, services.files.Separator()), kUserFile,
                             services.files.Separator());
        if (!services.files.Exists(user.path)) {
            return user;  // no file of the user's: no items of the user's
        }
    } else {
        return user;
    }
    Result<std::string> bytes = services.files.ReadFile(user.path);
    if (!bytes) {
        user.error = user.path + L" cannot be read: " + bytes.error().description;
        return user;
    }
    ItemsFile file = ReadItemsFile(*bytes, IsOwnItemId);
    if (file.error) {
        user.error = user.path + L": " + *file.error;
        return user;
    }
    user.file = std::move(file);
    return user;
}

std::vector<std::wstring> UserItemsProblems(const UserItems& user, std::size_t shown, const CountFormat& count)
{
    std::vector<std::wstring> problems;
    if (user.error) {
        problems.push_back(*user.error);
    }
    if (user.file) {
        std::vector<std::wstring> refused = DescribeRefusals(*user.file, shown, count);
        if (!refused.empty()) {
            refused.front() = user.path + L": " + refused.front();
        }
        std::ranges::move(refused, std::back_inserter(problems));
    }
    return problems;
}

bool IsShownHere(const PlatformServices& services, const ItemsFile& file, const ItemDefinition& item)
{
    if (const auto range = file.windows.find(item.id);
        range != file.windows.end() && !range->second.Holds(services.environment.RunningWindows())) {
        return false;
    }
    return IsDetected(services, item);
}

Catalogue Catalogue::Build(const PlatformServices& services, const UserItems& user)
{
    Catalogue catalogue;
    for (const ControlLayout& control : kItemLayout) {
        if (control.IsItem()) {
            if (std::optional<ItemDefinition> definition = WindowItem(control, services)) {
                catalogue.items_.push_back({std::move(*definition), &control});
            }
        }
    }
    for (const ItemDefinition& builtin : BuiltinItems()) {
        catalogue.items_.push_back({builtin, nullptr});
    }
    for (const ItemDefinition& browser : BrowserItems()) {
        if (!IsDetected(services, browser)) {
            continue;
        }
        CatalogueItem& item = catalogue.items_.emplace_back(browser, nullptr);
        // A keep-list that may be in a file that cannot be read guards every cookie.
        if (user.error && IsBrowserCookiesItem(browser)) {
            for (ItemTarget& target : item.definition.targets) {
                if (auto* database = std::get_if<DatabaseTarget>(&target)) {
                    database->keepUnreadable = *user.error;
                }
            }
        }
    }
    if (user.file) {
        for (auto& [id, keep] : user.file->keep) {
            for (CatalogueItem& item : catalogue.items_) {
                if (item.definition.id == id) {
                    item.definition.keep.insert(item.definition.keep.end(), keep.begin(), keep.end());
                }
            }
        }
        for (const ItemDefinition& own : user.file->items) {
            if (IsShownHere(services, *user.file, own)) {
                catalogue.items_.push_back({own, nullptr});
            }
        }
    }
    return catalogue;
}

bool InGroup(const ItemDefinition& item, std::wstring_view group)
{
    const std::wstring_view own = item.group;
    return SameIgnoringCase(own, group) ||
           (own.size() > group.size() + 2 && SameIgnoringCase(own.substr(0, group.size()), group) &&
            own.substr(group.size(), 2) == L": ");
}

const CatalogueItem* Catalogue::Find(std::string_view id) const
{
    const auto found = std::ranges::find(items_, id, [](const CatalogueItem& item) { return item.definition.id; });
    return found == items_.end() ? nullptr : &*found;
}

}  // namespace nivaro
