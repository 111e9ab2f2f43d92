#include "browsers/recipes.h"

namespace nivaro {
namespace {

using Needs = const std::string_view[];

// Every row of a table goes.
constexpr RecipeStep All(std::string_view table)
{
    return {.kind = StepKind::kRemove, .table = table};
}

// ---- Chromium: History, Favicons, Top Sites, Shortcuts ----------------------------------------
// Visits and everything derived from them go; a page's row stays while it is bookmarked, with its
// counts reset, so that its title and the suggestions for it do not need a visit.

constexpr std::string_view kUrlsNeeds[] = {"urls.url"};
constexpr Assignment kUrlReset[] = {{"visit_count", "0"}, {"typed_count", "0"}, {"last_visit_time", "0"}};

constexpr RecipeStep kChromiumHistorySteps[] = {
    All("visits"),
    All("visit_source"),
    All("keyword_search_terms"),
    All("segment_usage"),
    All("segments"),
    All("content_annotations"),
    All("context_annotations"),
    All("clusters_and_visits"),
    All("cluster_keywords"),
    All("cluster_visit_duplicates"),
    All("clusters"),
    All("visited_links"),
    {.kind = StepKind::kRemove,
     .table = "urls",
     .needs = kUrlsNeeds,
     .where = "url NOT IN temp.kept_pages",
     .countStaying = true},
    {.kind = StepKind::kReset,
     .table = "urls",
     .needs = kUrlsNeeds,
     .where = "url IN temp.kept_pages",
     .assignments = kUrlReset},
};
constexpr std::string_view kChromiumHistoryEssential[] = {"urls", "visits"};

// An icon stays while a bookmarked page is mapped to it.
constexpr std::string_view kIconsNeeds[] = {"favicons.id", "icon_mapping.page_url", "icon_mapping.icon_id"};
constexpr std::string_view kMappingNeeds[] = {"icon_mapping.page_url"};
constexpr std::string_view kBitmapNeeds[] = {"favicon_bitmaps.icon_id", "favicons.id"};
constexpr std::string_view kFaviconNeeds[] = {"favicons.id"};
constexpr RecipeStep kChromiumFaviconSteps[] = {
    {.kind = StepKind::kCollect,
     .table = "gone_icons",
     .needs = kIconsNeeds,
     .select = "SELECT id FROM main.favicons WHERE id NOT IN "
               "(SELECT icon_id FROM main.icon_mapping WHERE page_url IN temp.kept_pages)"},
    {.kind = StepKind::kRemove,
     .table = "icon_mapping",
     .needs = kMappingNeeds,
     .where = "page_url NOT IN temp.kept_pages",
     .countStaying = true},
    {.kind = StepKind::kRemove,
     .table = "favicon_bitmaps",
     .needs = kBitmapNeeds,
     .where = "icon_id IN temp.gone_icons"},
    {.kind = StepKind::kRemove, .table = "favicons", .needs = kFaviconNeeds, .where = "id IN temp.gone_icons"},
};
constexpr std::string_view kChromiumFaviconEssential[] = {"favicons", "icon_mapping"};

constexpr RecipeStep kTopSitesSteps[] = {All("top_sites"), All("thumbnails")};
constexpr std::string_view kTopSitesEssential[] = {"meta"};
constexpr RecipeStep kShortcutsSteps[] = {All("omni_box_shortcuts")};
constexpr std::string_view kShortcutsEssential[] = {"omni_box_shortcuts"};

constexpr DatabaseRecipe kChromiumHistory[] = {
    {.file = L"History", .essential = kChromiumHistoryEssential, .steps = kChromiumHistorySteps, .keptPagesIn = true},
    {.file = L"Favicons", .essential = kChromiumFaviconEssential, .steps = kChromiumFaviconSteps, .keptPagesIn = true},
    {.file = L"Top Sites", .essential = kTopSitesEssential, .steps = kTopSitesSteps},
    {.file = L"Shortcuts", .essential = kShortcutsEssential, .steps = kShortcutsSteps},
};

// ---- Chromium: cookies ------------------------------------------------------------------------

constexpr std::string_view kPartitionedNeeds[] = {"cookies.host_key", "cookies.top_frame_site_key"};
constexpr std::string_view kUnpartitionedNeeds[] = {"cookies.host_key", "!cookies.top_frame_site_key"};
constexpr RecipeStep kChromiumCookieSteps[] = {
    {.kind = StepKind::kRemove,
     .table = "cookies",
     .needs = kPartitionedNeeds,
     .where = "NOT nivaro_cookie_kept(host_key, top_frame_site_key)",
     .countStaying = true},
    {.kind = StepKind::kRemove,
     .table = "cookies",
     .needs = kUnpartitionedNeeds,
     .where = "NOT nivaro_cookie_kept(host_key, NULL)",
     .countStaying = true},
};
constexpr std::string_view kChromiumCookieEssential[] = {"cookies"};

// Today's profiles keep their cookies in the Network folder; older ones beside the profile's other
// files. Both are cleaned where both are there.
constexpr DatabaseRecipe kChromiumCookies[] = {
    {.folder = L"Network",
     .file = L"Cookies",
     .essential = kChromiumCookieEssential,
     .steps = kChromiumCookieSteps,
     .cookieKeepList = true},
    {.file = L"Cookies", .essential = kChromiumCookieEssential, .steps = kChromiumCookieSteps, .cookieKeepList = true},
};

// ---- Chromium: downloads list, form data ------------------------------------------------------

constexpr RecipeStep kChromiumDownloadSteps[] = {All("downloads_url_chains"), All("downloads_slices"),
                                                 All("downloads_reroute_info"), All("downloads")};
constexpr std::string_view kChromiumDownloadEssential[] = {"downloads"};
constexpr DatabaseRecipe kChromiumDownloads[] = {
    {.file = L"History", .essential = kChromiumDownloadEssential, .steps = kChromiumDownloadSteps},
};

// What was typed into forms; addresses, cards and search engines live in tables of their own.
constexpr RecipeStep kChromiumFormSteps[] = {All("autofill"), All("autofill_dates")};
constexpr std::string_view kChromiumFormEssential[] = {"autofill"};
constexpr DatabaseRecipe kChromiumFormData[] = {
    {.file = L"Web Data", .essential = kChromiumFormEssential, .steps = kChromiumFormSteps},
};

// ---- Firefox: places.sqlite and favicons.sqlite -----------------------------------------------
// As the browser's own "clear history": every visit goes, a page goes unless a bookmark or a
// keyword names it, and the pages that stay are reset; what hangs on the pages that went goes
// with them. Bookmarks, keywords and tags are rows of moz_bookmarks and moz_keywords, never touched.

constexpr std::string_view kGonePlacesNeeds[] = {"moz_places.id", "moz_bookmarks.fk", "moz_keywords.place_id"};
constexpr std::string_view kPlaceIdNeeds[] = {"moz_places.id"};
constexpr std::string_view kAnnosNeeds[] = {"moz_annos.place_id"};
constexpr std::string_view kPlacesExtraNeeds[] = {"moz_places_extra.place_id"};
constexpr std::string_view kOriginsNeeds[] = {"moz_origins.id", "moz_places.origin_id"};
constexpr Assignment kPlaceReset[] = {{"visit_count", "0"},     {"last_visit_date", "NULL"},
                                      {"typed", "0"},           {"recalc_frecency", "1"},
                                      {"alt_frecency", "NULL"}, {"recalc_alt_frecency", "1"}};

constexpr RecipeStep kFirefoxPlacesSteps[] = {
    {.kind = StepKind::kCollect,
     .table = "gone_places",
     .needs = kGonePlacesNeeds,
     .select = "SELECT p.id FROM main.moz_places p WHERE "
               "NOT EXISTS (SELECT 1 FROM main.moz_bookmarks b WHERE b.fk = p.id) AND "
               "NOT EXISTS (SELECT 1 FROM main.moz_keywords k WHERE k.place_id = p.id)"},
    All("moz_historyvisits"),
    All("moz_historyvisits_extra"),
    All("moz_inputhistory"),
    All("moz_places_metadata"),
    All("moz_places_metadata_search_queries"),
    {.kind = StepKind::kRemove, .table = "moz_annos", .needs = kAnnosNeeds, .where = "place_id IN temp.gone_places"},
    {.kind = StepKind::kRemove,
     .table = "moz_places_extra",
     .needs = kPlacesExtraNeeds,
     .where = "place_id IN temp.gone_places"},
    {.kind = StepKind::kRemove,
     .table = "moz_origins",
     .needs = kOriginsNeeds,
     .where = "NOT EXISTS (SELECT 1 FROM main.moz_places p WHERE p.origin_id = moz_origins.id AND "
              "p.id NOT IN temp.gone_places)"},
    {.kind = StepKind::kRemove,
     .table = "moz_places",
     .needs = kPlaceIdNeeds,
     .where = "id IN temp.gone_places",
     .countStaying = true},
    {.kind = StepKind::kReset,
     .table = "moz_places",
     .needs = kPlaceIdNeeds,
     .where = "id NOT IN temp.gone_places",
     .assignments = kPlaceReset},
};
constexpr std::string_view kFirefoxPlacesEssential[] = {"moz_places", "moz_historyvisits", "moz_bookmarks",
                                                        "moz_keywords"};

// An icon stays while a page that stays is mapped to it, and a site's own icon (its root icon)
// while a page of that site stays.
constexpr std::string_view kGonePagesNeeds[] = {"moz_pages_w_icons.page_url"};
constexpr std::string_view kGoneFirefoxIconsNeeds[] = {"moz_icons.id", "moz_icons.root", "moz_icons.icon_url",
                                                       "moz_icons_to_pages.icon_id", "moz_icons_to_pages.page_id"};
constexpr std::string_view kIconsToPagesNeeds[] = {"moz_icons_to_pages.icon_id", "moz_icons_to_pages.page_id"};
constexpr std::string_view kPagesNeeds[] = {"moz_pages_w_icons.id"};
constexpr std::string_view kMozIconsNeeds[] = {"moz_icons.id"};
constexpr RecipeStep kFirefoxFaviconSteps[] = {
    {.kind = StepKind::kCollect,
     .table = "gone_pages",
     .needs = kGonePagesNeeds,
     .select = "SELECT id FROM main.moz_pages_w_icons WHERE page_url NOT IN temp.kept_pages"},
    {.kind = StepKind::kCollect,
     .table = "kept_origins",
     .needs = kGonePagesNeeds,
     .select = "SELECT nivaro_origin(id) FROM temp.kept_pages"},
    {.kind = StepKind::kCollect,
     .table = "gone_icons",
     .needs = kGoneFirefoxIconsNeeds,
     .select = "SELECT i.id FROM main.moz_icons i WHERE "
               "NOT EXISTS (SELECT 1 FROM main.moz_icons_to_pages t WHERE t.icon_id = i.id AND "
               "t.page_id NOT IN temp.gone_pages) AND "
               "NOT (i.root = 1 AND nivaro_origin(i.icon_url) IN temp.kept_origins)"},
    {.kind = StepKind::kRemove,
     .table = "moz_icons_to_pages",
     .needs = kIconsToPagesNeeds,
     .where = "page_id IN temp.gone_pages OR icon_id IN temp.gone_icons"},
    {.kind = StepKind::kRemove,
     .table = "moz_pages_w_icons",
     .needs = kPagesNeeds,
     .where = "id IN temp.gone_pages",
     .countStaying = true},
    {.kind = StepKind::kRemove, .table = "moz_icons", .needs = kMozIconsNeeds, .where = "id IN temp.gone_icons"},
};
constexpr std::string_view kFirefoxFaviconEssential[] = {"moz_icons", "moz_pages_w_icons", "moz_icons_to_pages"};

constexpr DatabaseRecipe kFirefoxHistory[] = {
    {.file = L"places.sqlite",
     .essential = kFirefoxPlacesEssential,
     .steps = kFirefoxPlacesSteps,
     .keptPages = "SELECT url FROM main.moz_places WHERE id NOT IN temp.gone_places"},
    {.file = L"favicons.sqlite",
     .essential = kFirefoxFaviconEssential,
     .steps = kFirefoxFaviconSteps,
     .keptPagesIn = true},
};

// ---- Firefox: cookies, downloads list, form history -------------------------------------------

constexpr std::string_view kFirefoxPartitionedNeeds[] = {"moz_cookies.host", "moz_cookies.originattributes"};
constexpr std::string_view kFirefoxUnpartitionedNeeds[] = {"moz_cookies.host", "!moz_cookies.originattributes"};
constexpr RecipeStep kFirefoxCookieSteps[] = {
    {.kind = StepKind::kRemove,
     .table = "moz_cookies",
     .needs = kFirefoxPartitionedNeeds,
     .where = "NOT nivaro_cookie_kept(host, originAttributes)",
     .countStaying = true},
    {.kind = StepKind::kRemove,
     .table = "moz_cookies",
     .needs = kFirefoxUnpartitionedNeeds,
     .where = "NOT nivaro_cookie_kept(host, NULL)",
     .countStaying = true},
};
constexpr std::string_view kFirefoxCookieEssential[] = {"moz_cookies"};
constexpr DatabaseRecipe kFirefoxCookies[] = {
    {.file = L"cookies.sqlite",
     .essential = kFirefoxCookieEssential,
     .steps = kFirefoxCookieSteps,
     .cookieKeepList = true},
};

// The downloads list is the pages' download annotations; the pages themselves are history's.
constexpr std::string_view kDownloadAnnosNeeds[] = {"moz_annos.anno_attribute_id", "moz_anno_attributes.name"};
constexpr RecipeStep kFirefoxDownloadSteps[] = {
    {.kind = StepKind::kRemove,
     .table = "moz_annos",
     .needs = kDownloadAnnosNeeds,
     .where = "anno_attribute_id IN (SELECT id FROM main.moz_anno_attributes WHERE name LIKE 'downloads/%')"},
};
constexpr std::string_view kFirefoxDownloadEssential[] = {"moz_places", "moz_annos", "moz_anno_attributes"};
constexpr DatabaseRecipe kFirefoxDownloads[] = {
    {.file = L"places.sqlite", .essential = kFirefoxDownloadEssential, .steps = kFirefoxDownloadSteps},
};

constexpr RecipeStep kFirefoxFormSteps[] = {All("moz_history_to_sources"), All("moz_sources"), All("moz_formhistory")};
constexpr std::string_view kFirefoxFormEssential[] = {"moz_formhistory"};
constexpr DatabaseRecipe kFirefoxFormData[] = {
    {.file = L"formhistory.sqlite", .essential = kFirefoxFormEssential, .steps = kFirefoxFormSteps},
};

}  // namespace

std::span<const DatabaseRecipe> RecipesFor(BrowserFamily family, BrowserTrace trace)
{
    const bool chromium = family == BrowserFamily::kChromium;
    switch (trace) {
    case BrowserTrace::kHistory:
        return chromium ? std::span<const DatabaseRecipe>(kChromiumHistory) : kFirefoxHistory;
    case BrowserTrace::kCookies:
        return chromium ? std::span<const DatabaseRecipe>(kChromiumCookies) : kFirefoxCookies;
    case BrowserTrace::kDownloads:
        return chromium ? std::span<const DatabaseRecipe>(kChromiumDownloads) : kFirefoxDownloads;
    case BrowserTrace::kFormData:
        return chromium ? std::span<const DatabaseRecipe>(kChromiumFormData) : kFirefoxFormData;
    }
    return {};
}

}  // namespace nivaro
