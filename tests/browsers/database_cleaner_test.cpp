// The browser databases cleaned on this build's backend: the substitute's disk natively, the test
// prefix's drive under Wine. Each database is made from its browser's schema at two generations;
// a preview must foretell exactly what the clean then does and change no byte, and the clean must
// take every row that goes, keep every row that stays byte for byte, and leave no removed address
// readable in the file or beside it.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>
#include <map>
#include <string>

#include "browsers/database_cleaner.h"
#include "browsers/recipes.h"
#include "platform/profile_files.h"
#include "platform/utf8.h"
#include "tests/browsers/browser_databases.h"
#include "tests/browsers/file_hold.h"
#include "tests/support/folder_fixture.h"

namespace nivaro {
namespace {

using test::Generation;

struct Expected {
    std::string table;
    StepKind kind = StepKind::kRemove;
    std::uint64_t rows = 0;
    std::uint64_t kept = 0;
};

struct CleanCase {
    const char* name;
    BrowserFamily family;
    BrowserTrace trace;
    std::wstring_view file;  // which of the trace's databases
    std::string sql;
    std::vector<Expected> tables;
    std::vector<std::string> skipped;
    std::vector<std::string_view> kept;  // queries whose rows stay byte for byte
    std::string_view marker;             // no byte of the files may hold it afterwards
};

constexpr std::string_view kGone = "nivaro-gone";
// A page visited after the browser's last checkpoint: it is only in the log.
constexpr std::string_view kVisitInTheLog =
    "INSERT INTO moz_places(id,url,title,guid) VALUES (9,'https://gone.example/nivaro-gone-in-log','t','g9');"
    "INSERT INTO moz_historyvisits(place_id,visit_date) VALUES (9,1);";
constexpr std::string_view kDownload = "nivaro-download";

const DatabaseRecipe& RecipeOf(BrowserFamily family, BrowserTrace trace, std::wstring_view file)
{
    for (const DatabaseRecipe& recipe : RecipesFor(family, trace)) {
        if (recipe.file == file && recipe.folder.empty()) {
            return recipe;
        }
    }
    throw std::logic_error("no such recipe");
}

Expected Removed(std::string table, std::uint64_t rows, std::uint64_t kept = 0)
{
    return {std::move(table), StepKind::kRemove, rows, kept};
}

Expected Reset(std::string table, std::uint64_t rows)
{
    return {std::move(table), StepKind::kReset, rows, 0};
}

std::vector<CleanCase> Cases()
{
    using enum BrowserFamily;
    using enum BrowserTrace;
    const auto chromiumHistoryKept = std::vector<std::string_view>{
        "SELECT id, url, title, hidden FROM urls WHERE id = 1", "SELECT * FROM meta ORDER BY key",
        "SELECT * FROM downloads ORDER BY id", "SELECT * FROM downloads_url_chains ORDER BY id"};
    const auto placesKept = std::vector<std::string_view>{
        "SELECT * FROM moz_bookmarks ORDER BY id",
        "SELECT * FROM moz_keywords ORDER BY id",
        "SELECT id, url, title, rev_host, guid, url_hash, origin_id FROM moz_places WHERE id IN (1, 5)",
        "SELECT * FROM moz_annos WHERE id = 3",
        "SELECT * FROM moz_anno_attributes ORDER BY id",
        "SELECT * FROM moz_origins WHERE host <> 'gone.example' ORDER BY id"};
    return {
        {"ChromiumHistoryCurrent",
         kChromium,
         kHistory,
         L"History",
         test::ChromiumHistory(Generation::kCurrent),
         {Removed("visits", 5), Removed("visit_source", 1), Removed("keyword_search_terms", 1),
          Removed("segment_usage", 1), Removed("segments", 1), Removed("content_annotations", 1),
          Removed("context_annotations", 1), Removed("clusters_and_visits", 1), Removed("cluster_keywords", 1),
          Removed("cluster_visit_duplicates", 1), Removed("clusters", 1), Removed("visited_links", 1),
          Removed("urls", 3, 1), Reset("urls", 1)},
         {},
         chromiumHistoryKept,
         kGone},
        {"ChromiumHistoryOlder",
         kChromium,
         kHistory,
         L"History",
         test::ChromiumHistory(Generation::kOlder),
         {Removed("visits", 5), Removed("visit_source", 1), Removed("keyword_search_terms", 1),
          Removed("segment_usage", 1), Removed("segments", 1), Removed("content_annotations", 1), Removed("urls", 3, 1),
          Reset("urls", 1)},
         {"context_annotations", "clusters_and_visits", "cluster_keywords", "cluster_visit_duplicates", "clusters",
          "visited_links"},
         chromiumHistoryKept,
         kGone},
        {"ChromiumFaviconsCurrent",
         kChromium,
         kHistory,
         L"Favicons",
         test::ChromiumFavicons(Generation::kCurrent),
         {Removed("icon_mapping", 2, 1), Removed("favicon_bitmaps", 2), Removed("favicons", 2)},
         {},
         {"SELECT * FROM favicons WHERE id = 1", "SELECT * FROM favicon_bitmaps WHERE icon_id = 1",
          "SELECT * FROM icon_mapping WHERE id = 1"},
         kGone},
        {"ChromiumFaviconsOlder",
         kChromium,
         kHistory,
         L"Favicons",
         test::ChromiumFavicons(Generation::kOlder),
         {Removed("icon_mapping", 2, 1), Removed("favicon_bitmaps", 2), Removed("favicons", 2)},
         {},
         {"SELECT * FROM favicons WHERE id = 1", "SELECT * FROM favicon_bitmaps WHERE icon_id = 1"},
         kGone},
        {"ChromiumTopSitesCurrent",
         kChromium,
         kHistory,
         L"Top Sites",
         test::ChromiumTopSites(Generation::kCurrent),
         {Removed("top_sites", 1)},
         {"thumbnails"},
         {"SELECT * FROM meta ORDER BY key"},
         kGone},
        {"ChromiumTopSitesOlder",
         kChromium,
         kHistory,
         L"Top Sites",
         test::ChromiumTopSites(Generation::kOlder),
         {Removed("thumbnails", 1)},
         {"top_sites"},
         {"SELECT * FROM meta ORDER BY key"},
         kGone},
        {"ChromiumShortcuts",
         kChromium,
         kHistory,
         L"Shortcuts",
         test::ChromiumShortcuts(),
         {Removed("omni_box_shortcuts", 1)},
         {},
         {"SELECT * FROM meta"},
         kGone},
        {"ChromiumCookiesCurrent",
         kChromium,
         kCookies,
         L"Cookies",
         test::ChromiumCookies(Generation::kCurrent),
         {Removed("cookies", 3, 4)},
         {"cookies"},
         {"SELECT * FROM cookies WHERE value LIKE 'nivaro-kept%' ORDER BY creation_utc",
          "SELECT * FROM meta ORDER BY key"},
         kGone},
        {"ChromiumCookiesOlder",
         kChromium,
         kCookies,
         L"Cookies",
         test::ChromiumCookies(Generation::kOlder),
         {Removed("cookies", 2, 3)},
         {"cookies"},
         {"SELECT * FROM cookies WHERE value LIKE 'nivaro-kept%' ORDER BY creation_utc"},
         kGone},
        {"ChromiumDownloadsCurrent",
         kChromium,
         kDownloads,
         L"History",
         test::ChromiumHistory(Generation::kCurrent),
         {Removed("downloads_url_chains", 2), Removed("downloads_slices", 1), Removed("downloads", 2)},
         {"downloads_reroute_info"},
         {"SELECT * FROM urls ORDER BY id", "SELECT * FROM visits ORDER BY id"},
         kDownload},
        {"ChromiumDownloadsOlder",
         kChromium,
         kDownloads,
         L"History",
         test::ChromiumHistory(Generation::kOlder),
         {Removed("downloads_url_chains", 2), Removed("downloads_slices", 1), Removed("downloads", 2)},
         {"downloads_reroute_info"},
         {"SELECT * FROM urls ORDER BY id", "SELECT * FROM keyword_search_terms"},
         kDownload},
        {"ChromiumWebDataCurrent",
         kChromium,
         kFormData,
         L"Web Data",
         test::ChromiumWebData(Generation::kCurrent),
         {Removed("autofill", 2)},
         {"autofill_dates"},
         {"SELECT * FROM keywords", "SELECT * FROM credit_cards", "SELECT * FROM addresses"},
         kGone},
        {"ChromiumWebDataOlder",
         kChromium,
         kFormData,
         L"Web Data",
         test::ChromiumWebData(Generation::kOlder),
         {Removed("autofill", 2), Removed("autofill_dates", 3)},
         {},
         {"SELECT * FROM keywords", "SELECT * FROM credit_cards"},
         kGone},
        {"FirefoxPlacesCurrent",
         kFirefox,
         kHistory,
         L"places.sqlite",
         test::FirefoxPlaces(Generation::kCurrent),
         {Removed("moz_historyvisits", 5), Removed("moz_historyvisits_extra", 1), Removed("moz_inputhistory", 1),
          Removed("moz_places_metadata", 1), Removed("moz_places_metadata_search_queries", 1), Removed("moz_annos", 2),
          Removed("moz_places_extra", 1), Removed("moz_origins", 1), Removed("moz_places", 3, 2),
          Reset("moz_places", 2)},
         {},
         placesKept,
         kGone},
        {"FirefoxPlacesOlder",
         kFirefox,
         kHistory,
         L"places.sqlite",
         test::FirefoxPlaces(Generation::kOlder),
         {Removed("moz_historyvisits", 5), Removed("moz_inputhistory", 1), Removed("moz_annos", 2),
          Removed("moz_origins", 1), Removed("moz_places", 3, 2), Reset("moz_places", 2)},
         {"moz_historyvisits_extra", "moz_places_metadata", "moz_places_metadata_search_queries", "moz_places_extra"},
         {"SELECT * FROM moz_bookmarks ORDER BY id", "SELECT * FROM moz_keywords ORDER BY id",
          "SELECT * FROM moz_items_annos", "SELECT id, url, title, guid FROM moz_places WHERE id IN (1, 5)"},
         kGone},
        {"FirefoxFaviconsCurrent",
         kFirefox,
         kHistory,
         L"favicons.sqlite",
         test::FirefoxFavicons(Generation::kCurrent),
         {Removed("moz_icons_to_pages", 2), Removed("moz_pages_w_icons", 1, 1), Removed("moz_icons", 2)},
         {},
         {"SELECT * FROM moz_icons WHERE id IN (1, 3) ORDER BY id", "SELECT * FROM moz_pages_w_icons WHERE id = 1",
          "SELECT * FROM moz_icons_to_pages WHERE page_id = 1"},
         kGone},
        {"FirefoxFaviconsOlder",
         kFirefox,
         kHistory,
         L"favicons.sqlite",
         test::FirefoxFavicons(Generation::kOlder),
         {Removed("moz_icons_to_pages", 2), Removed("moz_pages_w_icons", 1, 1), Removed("moz_icons", 2)},
         {},
         {"SELECT * FROM moz_icons WHERE id IN (1, 3) ORDER BY id"},
         kGone},
        {"FirefoxCookiesCurrent",
         kFirefox,
         kCookies,
         L"cookies.sqlite",
         test::FirefoxCookies(Generation::kCurrent),
         {Removed("moz_cookies", 3, 4)},
         {"moz_cookies"},
         {"SELECT * FROM moz_cookies WHERE value LIKE 'nivaro-kept%'"},
         kGone},
        {"FirefoxCookiesOlder",
         kFirefox,
         kCookies,
         L"cookies.sqlite",
         test::FirefoxCookies(Generation::kOlder),
         {Removed("moz_cookies", 2, 3)},
         {"moz_cookies"},
         {"SELECT * FROM moz_cookies WHERE value LIKE 'nivaro-kept%'"},
         kGone},
        {"FirefoxDownloadsCurrent",
         kFirefox,
         kDownloads,
         L"places.sqlite",
         test::FirefoxPlaces(Generation::kCurrent),
         {Removed("moz_annos", 2)},
         {},
         {"SELECT * FROM moz_places ORDER BY id", "SELECT * FROM moz_annos WHERE id = 3"},
         kDownload},
        {"FirefoxDownloadsOlder",
         kFirefox,
         kDownloads,
         L"places.sqlite",
         test::FirefoxPlaces(Generation::kOlder),
         {Removed("moz_annos", 2)},
         {},
         {"SELECT * FROM moz_places ORDER BY id", "SELECT * FROM moz_items_annos"},
         kDownload},
        {"FirefoxFormHistoryCurrent",
         kFirefox,
         kFormData,
         L"formhistory.sqlite",
         test::FirefoxFormHistory(Generation::kCurrent),
         {Removed("moz_history_to_sources", 1), Removed("moz_sources", 1), Removed("moz_formhistory", 2)},
         {},
         {},
         kGone},
        {"FirefoxFormHistoryOlder",
         kFirefox,
         kFormData,
         L"formhistory.sqlite",
         test::FirefoxFormHistory(Generation::kOlder),
         {Removed("moz_formhistory", 2)},
         {"moz_history_to_sources", "moz_sources"},
         {},
         kGone},
    };
}

class DatabaseCleanerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(disk_.Root().empty()); }

    std::wstring PathOf(std::wstring_view file) const { return FolderFixture::Join(disk_.Root(), file); }

    std::unique_ptr<ProfileFolder> Folder()
    {
        auto folder = files_->OpenFolder(disk_.Root());
        EXPECT_TRUE(folder) << ToUtf8(folder ? L"" : folder.error().description);
        return folder ? std::move(*folder) : nullptr;
    }

    DatabaseOutcome Run(const DatabaseRecipe& recipe, const DatabaseInputs& inputs, DatabaseMode mode)
    {
        std::unique_ptr<ProfileFolder> folder = Folder();
        if (!folder) {
            return {};
        }
        return RunDatabase(*files_, *folder, recipe, inputs, mode);
    }

    // Every file of the scratch folder with its bytes.
    std::map<std::wstring, FolderFixture::TreeEntry> Files() const { return disk_.Tree(disk_.Root(), L""); }

    // The files whose bytes hold the marker.
    std::vector<std::wstring> FilesHolding(std::string_view marker) const
    {
        std::vector<std::wstring> holding;
        for (const auto& [name, entry] : Files()) {
            if (entry.bytes && entry.bytes->find(marker) != std::string::npos) {
                holding.push_back(name);
            }
        }
        return holding;
    }

    static DatabaseInputs InputsFor(const DatabaseRecipe& recipe)
    {
        DatabaseInputs inputs{.browser = L"Edge"};
        if (recipe.keptPagesIn) {
            inputs.keptPages =
                std::vector<std::string>{std::string(test::kBookmarkedPage), "https://search.example/?q=%s"};
        }
        if (recipe.cookieKeepList) {
            inputs.keep = CookieKeepList::Parse(test::kCookieKeepList);
        }
        return inputs;
    }

    FolderFixture disk_;
    std::unique_ptr<ProfileFiles> files_ = MakeProfileFiles();
};

void ExpectTables(const DatabaseOutcome& outcome, const CleanCase& c)
{
    ASSERT_EQ(outcome.tables.size(), c.tables.size());
    for (std::size_t i = 0; i < c.tables.size(); ++i) {
        EXPECT_EQ(outcome.tables[i].table, c.tables[i].table) << i;
        EXPECT_EQ(outcome.tables[i].kind, c.tables[i].kind) << c.tables[i].table;
        EXPECT_EQ(outcome.tables[i].rows, c.tables[i].rows) << c.tables[i].table;
        EXPECT_EQ(outcome.tables[i].kept, c.tables[i].kept) << c.tables[i].table;
    }
    EXPECT_EQ(outcome.skipped, c.skipped);
}

TEST_F(DatabaseCleanerTest, PreviewForetellsTheCleanWhichKeepsWhatStaysAndLeavesNoRemovedRowReadable)
{
    for (const CleanCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::wstring path = PathOf(c.file);
        ASSERT_TRUE(test::MakeDatabase(path, c.sql, "truncate"));
        const DatabaseRecipe& recipe = RecipeOf(c.family, c.trace, c.file);
        const DatabaseInputs inputs = InputsFor(recipe);
        std::vector<std::vector<std::string>> keptBefore;
        for (std::string_view query : c.kept) {
            Result<std::vector<std::string>> rows = test::Dump(path, query);
            ASSERT_TRUE(rows) << query;
            ASSERT_FALSE(rows->empty()) << query;
            keptBefore.push_back(*rows);
        }
        const auto before = Files();
        ASSERT_FALSE(FilesHolding(c.marker).empty());

        const DatabaseOutcome preview = Run(recipe, inputs, DatabaseMode::kPreview);
        EXPECT_EQ(preview.state, DatabaseState::kReady) << ToUtf8(preview.problem ? preview.problem->description : L"");
        ExpectTables(preview, c);
        EXPECT_EQ(Files(), before) << "a preview changed a file";

        const DatabaseOutcome clean = Run(recipe, inputs, DatabaseMode::kClean);
        EXPECT_EQ(clean.state, DatabaseState::kDone) << ToUtf8(clean.problem ? clean.problem->description : L"");
        EXPECT_FALSE(clean.problem);
        ExpectTables(clean, c);
        for (std::size_t i = 0; i < c.kept.size(); ++i) {
            Result<std::vector<std::string>> after = test::Dump(path, c.kept[i]);
            ASSERT_TRUE(after) << c.kept[i];
            EXPECT_TRUE(*after == keptBefore[i]) << c.kept[i];
        }
        EXPECT_EQ(FilesHolding(c.marker), std::vector<std::wstring>{});

        const DatabaseOutcome again = Run(recipe, inputs, DatabaseMode::kPreview);
        EXPECT_EQ(again.Rows(), 0u) << "a second clean would still remove rows";
        for (const std::wstring& name : disk_.Names(disk_.Root())) {
            ASSERT_TRUE(disk_.RemoveFile(FolderFixture::Join(disk_.Root(), name)));
        }
    }
}

TEST_F(DatabaseCleanerTest, ResetsThePagesThatStay)
{
    const std::wstring places = PathOf(L"places.sqlite");
    ASSERT_TRUE(test::MakeDatabase(places, test::FirefoxPlaces(Generation::kCurrent)));
    const DatabaseRecipe& recipe = RecipeOf(BrowserFamily::kFirefox, BrowserTrace::kHistory, L"places.sqlite");
    const DatabaseOutcome clean = Run(recipe, InputsFor(recipe), DatabaseMode::kClean);
    ASSERT_EQ(clean.state, DatabaseState::kDone);
    EXPECT_EQ(test::Dump(places,
                         "SELECT id, visit_count, last_visit_date, typed, recalc_frecency FROM moz_places ORDER BY id"),
              (std::vector<std::string>{"1:1|1:0|5:|1:0|1:1|", "1:5|1:0|5:|1:0|1:1|"}));
    EXPECT_EQ(clean.keptPages,
              (std::vector<std::string>{std::string(test::kBookmarkedPage), "https://search.example/?q=%s"}));

    const std::wstring history = PathOf(L"History");
    ASSERT_TRUE(test::MakeDatabase(history, test::ChromiumHistory(Generation::kCurrent)));
    const DatabaseRecipe& chromium = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kHistory, L"History");
    ASSERT_EQ(Run(chromium, InputsFor(chromium), DatabaseMode::kClean).state, DatabaseState::kDone);
    EXPECT_EQ(test::Dump(history, "SELECT visit_count, typed_count, last_visit_time FROM urls"),
              (std::vector<std::string>{"1:0|1:0|1:0|"}));
}

// A database its browser left in WAL mode with changes still in its log and its index: the
// preview reads them without writing a byte, and the clean leaves neither the file nor the log
// holding what it removed.
TEST_F(DatabaseCleanerTest, ReadsAndEmptiesALogTheBrowserLeft)
{
    const std::wstring places = PathOf(L"places.sqlite");
    ASSERT_TRUE(test::MakeDatabaseWithPendingLog(places, test::FirefoxPlaces(Generation::kCurrent), kVisitInTheLog));
    ASSERT_TRUE(disk_.Exists(places + L"-wal") && disk_.Exists(places + L"-shm"));
    ASSERT_GT(*disk_.FileSize(places + L"-wal"), 0u);
    const DatabaseRecipe& recipe = RecipeOf(BrowserFamily::kFirefox, BrowserTrace::kHistory, L"places.sqlite");
    const auto before = Files();

    const DatabaseOutcome preview = Run(recipe, InputsFor(recipe), DatabaseMode::kPreview);
    ASSERT_EQ(preview.state, DatabaseState::kReady) << ToUtf8(preview.problem ? preview.problem->description : L"");
    EXPECT_EQ(preview.tables.front().table, "moz_historyvisits");
    EXPECT_EQ(preview.tables.front().rows, 6u) << "the visit in the log was not seen";
    EXPECT_EQ(Files(), before) << "a preview changed a file";

    const DatabaseOutcome clean = Run(recipe, InputsFor(recipe), DatabaseMode::kClean);
    ASSERT_EQ(clean.state, DatabaseState::kDone) << ToUtf8(clean.problem ? clean.problem->description : L"");
    EXPECT_EQ(clean.tables.front().rows, 6u);
    EXPECT_EQ(FilesHolding(kGone), std::vector<std::wstring>{});
    EXPECT_EQ(test::Number(places, "SELECT count(*) FROM moz_bookmarks"), 8);
}

// What no clean may touch: each is left exactly as it was, by preview and clean alike, with why.
TEST_F(DatabaseCleanerTest, LeavesWhatItCannotCleanSafelyUntouched)
{
    const DatabaseRecipe& history = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kHistory, L"History");
    struct Case {
        const char* name;
        std::function<bool()> make;
        std::int32_t number;
        // A file damaged only where a preview does not read may look sound to the preview; the
        // clean's check of the whole file finds it out.
        bool previewMaySeeNothing = false;
    };
    // The History file with some of its pages overwritten.
    const auto damaged = [this](std::size_t firstPage, std::size_t endPage) {
        const std::wstring path = PathOf(L"History");
        if (!test::MakeDatabase(path, test::ChromiumHistory(Generation::kCurrent))) {
            return false;
        }
        std::string bytes = *disk_.Tree(disk_.Root(), L"").at(L"History").bytes;
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(firstPage * 4096, bytes.size())),
                  bytes.begin() + static_cast<std::ptrdiff_t>(std::min(endPage * 4096, bytes.size())), '\x07');
        return disk_.RemoveFile(path) && disk_.WriteFile(path, bytes);
    };
    const std::vector<Case> cases = {
        {"empty file", [this] { return disk_.MakeFile(PathOf(L"History"), 0); }, database_status::kEmpty},
        {"not a database (or encrypted)",
         [this] {
             return disk_.WriteFile(PathOf(L"History"), std::string(8192, '\x5a') + "https://gone.example/nivaro-gone");
         },
         database_status::kNotADatabase},
        {"a database of something else",
         [this] {
             return test::MakeDatabase(PathOf(L"History"),
                                       "CREATE TABLE visits(x); INSERT INTO visits VALUES ('nivaro-gone');")
                 .has_value();
         },
         database_status::kNotUnderstood},
        {"a database damaged past its first pages", [&] { return damaged(2, 1000); }, database_status::kCorrupt},
        {"a database damaged in a few pages", [&] { return damaged(2, 6); }, database_status::kCorrupt, true},
        {"a log only its stopped browser's memory indexed",
         [this] {
             const std::wstring path = PathOf(L"History");
             return test::MakeDatabaseWithPendingLog(path, test::ChromiumHistory(Generation::kCurrent),
                                                     "DELETE FROM visits WHERE id = 1;") &&
                    disk_.RemoveFile(path + L"-shm");
         },
         database_status::kUnfinished},
        {"an unfinished change in its journal",
         [this] {
             return test::MakeDatabase(PathOf(L"History"), test::ChromiumHistory(Generation::kCurrent)) &&
                    disk_.WriteFile(PathOf(L"History-journal"),
                                    std::string("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8) + std::string(504, '\0'));
         },
         database_status::kUnfinished},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.make());
        const auto before = Files();
        for (const DatabaseMode mode : {DatabaseMode::kPreview, DatabaseMode::kClean}) {
            const DatabaseOutcome outcome = Run(history, InputsFor(history), mode);
            EXPECT_EQ(Files(), before);
            if (mode == DatabaseMode::kPreview && c.previewMaySeeNothing && outcome.state == DatabaseState::kReady) {
                continue;
            }
            EXPECT_EQ(outcome.state, DatabaseState::kLeft);
            ASSERT_TRUE(outcome.problem);
            EXPECT_EQ(outcome.problem->number, c.number) << ToUtf8(outcome.problem->description);
            EXPECT_TRUE(outcome.tables.empty());
        }
        for (const std::wstring& name : disk_.Names(disk_.Root())) {
            ASSERT_TRUE(disk_.RemoveFile(FolderFixture::Join(disk_.Root(), name)));
        }
    }
}

// What narrows a clean fails closed: without its keep-list no cookie goes, and without the
// bookmarks no page does.
TEST_F(DatabaseCleanerTest, RemovesNothingWithoutWhatDecidesWhatStays)
{
    ASSERT_TRUE(test::MakeDatabase(PathOf(L"Cookies"), test::ChromiumCookies(Generation::kCurrent)));
    ASSERT_TRUE(test::MakeDatabase(PathOf(L"History"), test::ChromiumHistory(Generation::kCurrent)));
    const auto before = Files();
    const DatabaseRecipe& cookies = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kCookies, L"Cookies");
    const DatabaseRecipe& history = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kHistory, L"History");
    DatabaseInputs unreadable{.browser = L"Edge"};
    unreadable.keep = std::unexpected(Error{5, L"items.ini cannot be read"});
    const std::wstring badPattern[] = {L"https://kept.example/"};
    DatabaseInputs notUnderstood{.browser = L"Edge", .keep = CookieKeepList::Parse(badPattern)};
    DatabaseInputs noBookmarks{.browser = L"Edge"};
    const std::vector<std::pair<const DatabaseRecipe*, DatabaseInputs>> cases = {
        {&cookies, unreadable},
        {&cookies, notUnderstood},
        {&cookies, DatabaseInputs{.browser = L"Edge"}},
        {&history, noBookmarks}};
    for (const auto& [recipe, inputs] : cases) {
        const DatabaseOutcome outcome = Run(*recipe, inputs, DatabaseMode::kClean);
        EXPECT_EQ(outcome.state, DatabaseState::kLeft);
        ASSERT_TRUE(outcome.problem);
        EXPECT_TRUE(outcome.problem->number == database_status::kNoKeepList ||
                    outcome.problem->number == database_status::kNoKeptPages);
        EXPECT_NE(outcome.problem->description.find(L"no"), std::wstring::npos) << ToUtf8(outcome.problem->description);
    }
    EXPECT_EQ(Files(), before);
}

// A running browser's database: never forced, never waited on for more than a moment; its
// outcome names the browser to close.
TEST_F(DatabaseCleanerTest, ReportsADatabaseTheBrowserHoldsInUse)
{
    const DatabaseRecipe& history = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kHistory, L"History");
    const DatabaseRecipe& cookies = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kCookies, L"Cookies");
    const DatabaseRecipe& places = RecipeOf(BrowserFamily::kFirefox, BrowserTrace::kHistory, L"places.sqlite");
    ASSERT_TRUE(test::MakeDatabase(PathOf(L"History"), test::ChromiumHistory(Generation::kCurrent)));
    ASSERT_TRUE(test::MakeDatabase(PathOf(L"Cookies"), test::ChromiumCookies(Generation::kCurrent)));
    ASSERT_TRUE(test::MakeDatabase(PathOf(L"places.sqlite"), test::FirefoxPlaces(Generation::kCurrent), "wal"));
    ASSERT_TRUE(disk_.MakeFile(PathOf(L"parent.lock")));
    const auto before = Files();
    DatabaseInputs firefox{.browser = L"Firefox", .browserLock = L"parent.lock"};
    firefox.keptPages = std::vector<std::string>{};
    {
        // History as Chromium holds it: exclusive locking, after a write.
        test::ExclusiveDatabaseHold held(PathOf(L"History"));
        ASSERT_TRUE(held.Holding());
        // Cookies as the network service holds them, and Firefox its lock file: shared with no one.
        auto cookieHold = test::HoldWithoutSharing(disk_, PathOf(L"Cookies"));
        auto lockHold = test::HoldWithoutSharing(disk_, PathOf(L"parent.lock"));
        ASSERT_TRUE(cookieHold && lockHold);
        const std::vector<std::tuple<const DatabaseRecipe*, DatabaseInputs, std::wstring>> cases = {
            {&history, InputsFor(history), L"in use: close Edge"},
            {&cookies, InputsFor(cookies), L"in use: close Edge"},
            {&places, firefox, L"in use: close Firefox"}};
        for (const auto& [recipe, inputs, said] : cases) {
            for (const DatabaseMode mode : {DatabaseMode::kPreview, DatabaseMode::kClean}) {
                const DatabaseOutcome outcome = Run(*recipe, inputs, mode);
                EXPECT_EQ(outcome.state, DatabaseState::kInUse) << ToUtf8(recipe->file);
                ASSERT_TRUE(outcome.problem);
                EXPECT_EQ(outcome.problem->description, said);
            }
        }
    }
    EXPECT_EQ(Files(), before);
}

// Whatever SQLite would open by path is first checked by handle: a file or a side file that is a
// link is left, and so is a file that turns out not to be the one checked.
class SwappingFiles final : public ProfileFiles {
public:
    explicit SwappingFiles(ProfileFiles& real) : real_(real) {}
    Result<std::unique_ptr<ProfileFolder>> OpenFolder(std::wstring_view path) override
    {
        return real_.OpenFolder(path);
    }
    Result<std::unique_ptr<ProfileFolder>> OpenSubfolder(ProfileFolder& parent, std::wstring_view name) override
    {
        return real_.OpenSubfolder(parent, name);
    }
    Result<FileFacts> Examine(ProfileFolder& folder, std::wstring_view name) override
    {
        return real_.Examine(folder, name);
    }
    Result<std::string> Read(ProfileFolder& folder, std::wstring_view name, std::uint64_t most) override
    {
        return real_.Read(folder, name, most);
    }
    Result<std::string> ReadStart(ProfileFolder& folder, std::wstring_view name, std::size_t most) override
    {
        return real_.ReadStart(folder, name, most);
    }
    bool HeldByAnother(ProfileFolder& folder, std::wstring_view name) override
    {
        return real_.HeldByAnother(folder, name);
    }
    Result<FileIdentity> OpenedDatabase(sqlite3* connection) override
    {
        Result<FileIdentity> opened = real_.OpenedDatabase(connection);
        if (opened) {
            ++opened->indexLow;  // another file than the one examined
        }
        return opened;
    }
    wchar_t Separator() const override { return real_.Separator(); }

private:
    ProfileFiles& real_;
};

TEST_F(DatabaseCleanerTest, LeavesAFileThatIsNotTheOneChecked)
{
    const DatabaseRecipe& history = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kHistory, L"History");
    ASSERT_TRUE(test::MakeDatabase(PathOf(L"History"), test::ChromiumHistory(Generation::kCurrent)));
    const auto before = Files();
    SwappingFiles swapping(*files_);
    std::unique_ptr<ProfileFolder> folder = Folder();
    ASSERT_TRUE(folder);
    const DatabaseOutcome outcome = RunDatabase(swapping, *folder, history, InputsFor(history), DatabaseMode::kClean);
    EXPECT_EQ(outcome.state, DatabaseState::kLeft);
    ASSERT_TRUE(outcome.problem);
    EXPECT_EQ(outcome.problem->number, database_status::kSwapped);
    EXPECT_EQ(Files(), before);
}

// The profile that make_test_folders.py lays out in browser-links: History is a link to a database
// elsewhere, Favicons' journal a link to a letter of the user's, which SQLite would write over, and
// Top Sites a second name of a database elsewhere, which a clean would change under that name too.
TEST_F(DatabaseCleanerTest, NeverOpensThroughALink)
{
    const std::wstring elsewhere = FolderFixture::Join(NIVARO_BROWSER_LINKS, L"elsewhere");
    const auto before = disk_.Tree(elsewhere, L"");
    ASSERT_TRUE(before.contains(L"letter.txt"));
    auto folder = files_->OpenFolder(FolderFixture::Join(NIVARO_BROWSER_LINKS, L"profile"));
    ASSERT_TRUE(folder);
    const std::pair<std::wstring_view, std::int32_t> cases[] = {
        {L"History", profile_status::kLink},
        {L"Favicons", profile_status::kLink},
        {L"Top Sites", database_status::kOtherNames},
    };
    for (const auto& [file, number] : cases) {
        const DatabaseRecipe& recipe = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kHistory, file);
        for (const DatabaseMode mode : {DatabaseMode::kPreview, DatabaseMode::kClean}) {
            const DatabaseOutcome outcome = RunDatabase(*files_, **folder, recipe, InputsFor(recipe), mode);
            EXPECT_EQ(outcome.state, DatabaseState::kLeft) << ToUtf8(file);
            ASSERT_TRUE(outcome.problem);
            EXPECT_EQ(outcome.problem->number, number) << ToUtf8(outcome.problem->description);
        }
    }
    EXPECT_EQ(disk_.Tree(elsewhere, L""), before);
}

TEST_F(DatabaseCleanerTest, HasNothingToDoWithoutTheFile)
{
    const DatabaseRecipe& history = RecipeOf(BrowserFamily::kChromium, BrowserTrace::kHistory, L"History");
    const DatabaseOutcome outcome = Run(history, InputsFor(history), DatabaseMode::kClean);
    EXPECT_EQ(outcome.state, DatabaseState::kAbsent);
    EXPECT_FALSE(outcome.problem);
    EXPECT_TRUE(disk_.Names(disk_.Root()).empty()) << "the clean made a file";
}

}  // namespace
}  // namespace nivaro
