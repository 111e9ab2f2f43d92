#pragma once
// The browsers as items of the catalogue: a group for each browser, each shown only when the
// browser's data folder is there, and an item for each of its traces ("edge-history",
// "firefox-cookies"). Caches and sessions are folder targets with wildcards for the profiles,
// walked by the engine as any folder item is; history, cookies, downloads and form data are
// database targets, which the engine hands to RunBrowserDatabases below.

#include <cstddef>
#include <string_view>
#include <vector>

#include "items/item_definition.h"
#include "items/item_plan.h"
#include "platform/services.h"

namespace nivaro {

// What --group selects all of them by; each browser's group is "Browsers: Edge".
inline constexpr std::wstring_view kBrowsersGroup = L"Browsers";

// Every browser's items, in the order of kBrowsers, each detected by its data folder.
const std::vector<ItemDefinition>& BrowserItems();

// Whether the id is one of BrowserItems().
bool IsBrowserItemId(std::string_view id);

// The cookie items whose keep-list is the items file's section of their id.
bool IsBrowserCookiesItem(const ItemDefinition& item);

// Plans or carries out a database part of a plan: every profile of the part's browser found, each
// database of the trace previewed (clean false) or cleaned, and the part's targets made from what
// came of it: a table's rows removed (or reset), the rows a keep-list or a bookmark keeps, a
// database the browser holds ("in use: close Edge"), a database left as it was with its reason,
// which is also the part's problem.
void RunBrowserDatabases(const PlatformServices& services, ItemPlan& plan, std::size_t part, bool clean);

}  // namespace nivaro
