// The browsers as items of the catalogue, on this build's backend: found where the user's known
// folders are (under Wine the test prefix's own), previewed and cleaned through the one engine,
// with the items file's keep-list, a browser that holds its database, and the cache walked by
// the engine.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "browsers/browser_items.h"
#include "items/item_engine.h"
#include "main/catalogue.h"
#include "platform/utf8.h"
#include "tests/browsers/browser_databases.h"
#include "tests/support/known_folders.h"

namespace nivaro {
namespace {

using test::Generation;

// A paced run that never stops and reports nowhere.
class SteadyPace final : public RunPace {
public:
    bool Continue() override { return true; }
    void Progress(double) override {}
};

class BrowserItemsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(known_.Ready());
        local_ = known_.PathOf(KnownPlace::kLocalAppData);
        roaming_ = known_.PathOf(KnownPlace::kRoamingAppData);
        ASSERT_TRUE(local_ && roaming_);
        ASSERT_FALSE(Disk().Exists(At(*local_, L"Microsoft/Edge"))) << "the prefix has an Edge of its own";
        ASSERT_FALSE(Disk().Exists(At(*roaming_, L"Mozilla"))) << "the prefix has a Firefox of its own";
    }

    void TearDown() override
    {
        for (const std::wstring& top : made_) {
            RemoveTree(top);
        }
    }

    FolderFixture& Disk() { return known_.Disk(); }

    static std::wstring At(std::wstring path, std::wstring_view relative)
    {
        std::size_t start = 0;
        for (std::size_t end; (end = relative.find(L'/', start)) != std::wstring_view::npos; start = end + 1) {
            path = FolderFixture::Join(path, relative.substr(start, end - start));
        }
        return FolderFixture::Join(path, relative.substr(start));
    }

    // Makes the folders of a relative path below a known folder; the first one made goes after the test.
    std::wstring Folder(const std::wstring& base, std::wstring_view relative)
    {
        std::wstring path = base;
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = relative.find(L'/', start);
            path = FolderFixture::Join(path, relative.substr(start, end == std::wstring_view::npos ? end : end - start));
            if (!Disk().Exists(path)) {
                EXPECT_TRUE(Disk().MakeFolder(path)) << ToUtf8(path);
                if (std::ranges::none_of(made_, [&](const std::wstring& top) { return path.starts_with(top); })) {
                    made_.push_back(path);
                }
            }
            if (end == std::wstring_view::npos) {
                return path;
            }
            start = end + 1;
        }
    }

    void RemoveTree(const std::wstring& folder)
    {
        for (const std::wstring& name : Disk().Names(folder)) {
            const std::wstring path = FolderFixture::Join(folder, name);
            if (!Disk().RemoveFile(path)) {
                RemoveTree(path);
            }
        }
        Disk().RemoveEmptyFolder(folder);
    }

    // Edge with two profiles (one named only by its folder), and Firefox with one of the older
    // generation, its cache in its twin folder.
    void MakeProfiles()
    {
        const std::wstring edge = Folder(*local_, L"Microsoft/Edge/User Data");
        ASSERT_TRUE(Disk().WriteFile(At(edge, L"Local State"), R"({"profile": {"info_cache": {"Default": {"name": "Me"}}}})"));
        for (std::wstring_view name : {L"Default", L"Profile 1"}) {
            const std::wstring profile = Folder(edge, name);
            Folder(profile, L"Network");
            ASSERT_TRUE(test::MakeDatabase(At(profile, L"History"), test::ChromiumHistory(Generation::kCurrent)));
            ASSERT_TRUE(test::MakeDatabase(At(profile, L"Network/Cookies"), test::ChromiumCookies(Generation::kCurrent)));
            ASSERT_TRUE(Disk().WriteFile(At(profile, L"Bookmarks"), test::ChromiumBookmarksJson()));
            const std::wstring cache = Folder(profile, L"Cache/Cache_Data");
            ASSERT_TRUE(Disk().MakeFile(At(cache, L"data_0"), 100));
            ASSERT_TRUE(Disk().MakeFile(At(cache, L"f_000001"), 20));
        }
        const std::wstring firefox = Folder(*roaming_, L"Mozilla/Firefox/Profiles/abc.default");
        ASSERT_TRUE(Disk().WriteFile(At(*roaming_, L"Mozilla/Firefox/profiles.ini"),
                                     "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/abc.default\r\n"));
        ASSERT_TRUE(test::MakeDatabase(At(firefox, L"places.sqlite"), test::FirefoxPlaces(Generation::kOlder)));
        ASSERT_TRUE(test::MakeDatabase(At(firefox, L"cookies.sqlite"), test::FirefoxCookies(Generation::kCurrent)));
        const std::wstring cache = Folder(*local_, L"Mozilla/Firefox/Profiles/abc.default/cache2/entries");
        ASSERT_TRUE(Disk().MakeFile(At(cache, L"0A1B"), 64));
    }

    Catalogue Build(const std::string& items)
    {
        const std::wstring file = At(Disk().Root(), L"items.ini");
        EXPECT_TRUE(Disk().WriteFile(file, items));
        const Catalogue catalogue = Catalogue::Build(known_.Services(), ReadUserItems(known_.Services(), file));
        Disk().RemoveFile(file);
        return catalogue;
    }

    ItemPlan Preview(const Catalogue& catalogue, std::string_view id)
    {
        const CatalogueItem* item = catalogue.Find(id);
        EXPECT_TRUE(item) << id;
        return item ? PlanItem(known_.Services(), item->definition, Foresight::kDecideEach, pace_) : ItemPlan{};
    }

    ItemPlan Clean(const Catalogue& catalogue, std::string_view id)
    {
        const CatalogueItem* item = catalogue.Find(id);
        EXPECT_TRUE(item) << id;
        if (!item) {
            return {};
        }
        ItemPlan plan = PlanItem(known_.Services(), item->definition, Foresight::kListOnly, pace_);
        CarryItem(known_.Services(), plan, pace_);
        return plan;
    }

    // Rows by "profile/file: table" and what becomes of them: "3 remove", "4 leave".
    static std::map<std::string, std::string> Rows(const ItemPlan& plan, bool cleaned)
    {
        std::map<std::string, std::string> rows;
        for (const PlannedTarget& target : plan.targets) {
            std::wstring path = target.entry.path;
            const std::size_t file = path.find_last_of(L"\\/");
            const std::size_t profile = file == std::wstring::npos ? file : path.find_last_of(L"\\/", file - 1);
            const std::wstring where = profile == std::wstring::npos ? path : path.substr(profile + 1);
            const bool gone = cleaned ? target.removed : target.remove;
            rows[ToUtf8(where + L": " + target.entry.name) + (gone ? "" : " kept")] +=
                std::to_string(target.rows.value_or(0)) + (gone ? "" : " " + ToUtf8(target.note));
        }
        return rows;
    }

    KnownFolders known_;
    std::optional<std::wstring> local_;
    std::optional<std::wstring> roaming_;
    std::vector<std::wstring> made_;
    SteadyPace pace_;
};

TEST_F(BrowserItemsTest, EachBrowserIsAGroupShownWhenItsDataFolderIsThere)
{
    MakeProfiles();
    const Catalogue catalogue = Build("");
    std::map<std::wstring, std::vector<std::string>> groups;
    for (const CatalogueItem& item : catalogue.Items()) {
        if (IsBrowserItemId(item.definition.id)) {
            groups[item.definition.group].push_back(item.definition.id + (item.definition.onByDefault ? "" : " off"));
            EXPECT_FALSE(item.definition.description.empty()) << item.definition.id;
        }
    }
    const std::vector<std::string> edge = {"edge-history",  "edge-cookies",       "edge-cache",
                                           "edge-downloads", "edge-form-data off", "edge-session off"};
    EXPECT_EQ(groups[L"Browsers: Edge"], edge);
    EXPECT_EQ(groups[L"Browsers: Firefox"].size(), edge.size());
    EXPECT_FALSE(groups.contains(L"Browsers: Chrome")) << "no Chrome folder, no Chrome items";
    EXPECT_EQ(groups.size(), 2u);
}

TEST_F(BrowserItemsTest, PreviewSaysTheRowsByTableThatTheCleanRemovesInEveryProfile)
{
    MakeProfiles();
    const Catalogue catalogue = Build("[edge-cookies]\r\nKeep=*.kept.example\r\n");
    for (std::string_view id : {"edge-history", "edge-cookies", "firefox-history", "firefox-cookies"}) {
        SCOPED_TRACE(id);
        const ItemPlan preview = Preview(catalogue, id);
        EXPECT_FALSE(preview.problem) << ToUtf8(preview.problem ? preview.problem->description : L"");
        ASSERT_FALSE(preview.targets.empty());
        const ItemPlan clean = Clean(catalogue, id);
        EXPECT_FALSE(clean.problem);
        EXPECT_EQ(Rows(clean, true), Rows(preview, false));
    }
    for (const auto& [table, rows] : Rows(Preview(catalogue, "edge-cookies"), false)) {
        EXPECT_TRUE(table.ends_with(" kept")) << table << ": the clean left nothing more to remove";
    }

    for (std::wstring_view profile : {L"Default", L"Profile 1"}) {
        const std::wstring folder = At(*local_, L"Microsoft/Edge/User Data/" + std::wstring(profile));
        EXPECT_EQ(test::Number(At(folder, L"History"), "SELECT count(*) FROM urls WHERE url LIKE '%nivaro-gone%'"), 0);
        EXPECT_EQ(test::Number(At(folder, L"History"), "SELECT count(*) FROM urls"), 1) << "the bookmarked page";
        EXPECT_EQ(test::Number(At(folder, L"Network/Cookies"), "SELECT count(*) FROM cookies"), 4)
            << "the keep-list's cookies";
    }
    const std::wstring firefox = At(*roaming_, L"Mozilla/Firefox/Profiles/abc.default");
    EXPECT_EQ(test::Number(At(firefox, L"places.sqlite"), "SELECT count(*) FROM moz_historyvisits"), 0);
    EXPECT_EQ(test::Number(At(firefox, L"cookies.sqlite"), "SELECT count(*) FROM moz_cookies"), 0)
        << "Firefox's cookies item has no keep-list of its own";
}

TEST_F(BrowserItemsTest, AKeepListThatCannotBeReadKeepsEveryCookieAndSaysWhy)
{
    MakeProfiles();
    const std::wstring cookies = At(*local_, L"Microsoft/Edge/User Data/Default/Network/Cookies");
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"a keep line that cannot be understood keeps everything", "[edge-cookies]\r\nKeep=*.kept.example\r\nKep=x\r\n"},
        {"a keep pattern that is no host", "[edge-cookies]\r\nKeep=https://kept.example/\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ItemPlan plan = Clean(Build(c.file), "edge-cookies");
        EXPECT_EQ(test::Number(cookies, "SELECT count(*) FROM cookies"), 7);
        EXPECT_TRUE(std::ranges::none_of(plan.targets, &PlannedTarget::removed));
    }

    // The items file itself cannot be read: larger than any items file is read.
    const std::wstring file = At(Disk().Root(), L"unreadable.ini");
    ASSERT_TRUE(Disk().MakeFile(file, kLargestReadableFile + 1));
    const UserItems user = ReadUserItems(known_.Services(), file);
    ASSERT_TRUE(user.error);
    const Catalogue catalogue = Catalogue::Build(known_.Services(), user);
    Disk().RemoveFile(file);
    const ItemPlan plan = Clean(catalogue, "edge-cookies");
    EXPECT_EQ(test::Number(cookies, "SELECT count(*) FROM cookies"), 7);
    ASSERT_TRUE(plan.problem);
    EXPECT_NE(plan.problem->description.find(L"Cookies"), std::wstring::npos) << ToUtf8(plan.problem->description);
}

TEST_F(BrowserItemsTest, ADatabaseTheBrowserHoldsStaysInUseAndTheRestIsCleaned)
{
    MakeProfiles();
    const Catalogue catalogue = Build("");
    const std::wstring held = At(*local_, L"Microsoft/Edge/User Data/Default/History");
    test::ExclusiveDatabaseHold hold(held);
    ASSERT_TRUE(hold.Holding());
    for (const bool clean : {false, true}) {
        SCOPED_TRACE(clean ? "clean" : "preview");
        const ItemPlan plan = clean ? Clean(catalogue, "edge-history") : Preview(catalogue, "edge-history");
        EXPECT_FALSE(plan.problem) << "a browser that runs is no item that cannot run";
        const auto inUse = std::ranges::find_if(plan.targets, [](const PlannedTarget& t) { return t.note == L"in use: close Edge"; });
        ASSERT_NE(inUse, plan.targets.end());
        EXPECT_EQ(inUse->entry.name, L"History");
        EXPECT_EQ(inUse->reason, LeaveReason::kLocked);
        EXPECT_FALSE(inUse->remove);
        EXPECT_TRUE(std::ranges::any_of(plan.targets, [&](const PlannedTarget& t) {
            return (clean ? t.removed : t.remove) && t.entry.path.find(L"Profile 1") != std::wstring::npos;
        })) << "the other profile is cleaned";
    }
    EXPECT_EQ(test::Number(At(*local_, L"Microsoft/Edge/User Data/Profile 1/History"), "SELECT count(*) FROM visits"), 0);
}

TEST_F(BrowserItemsTest, TheCacheIsWalkedByTheEngineInEveryProfile)
{
    MakeProfiles();
    const Catalogue catalogue = Build("");
    for (std::string_view id : {"edge-cache", "firefox-cache"}) {
        SCOPED_TRACE(id);
        const ItemPlan preview = Preview(catalogue, id);
        const std::size_t files = id == "edge-cache" ? 4 : 1;
        EXPECT_EQ(preview.CountToRemove(), files);
        const ItemPlan clean = Clean(catalogue, id);
        EXPECT_EQ(static_cast<std::size_t>(std::ranges::count_if(clean.targets, &PlannedTarget::removed)), files);
    }
    EXPECT_TRUE(Disk().Names(At(*local_, L"Microsoft/Edge/User Data/Default/Cache/Cache_Data")).empty());
    EXPECT_TRUE(Disk().Exists(At(*local_, L"Microsoft/Edge/User Data/Default/History"))) << "only the cache";
}

}  // namespace
}  // namespace nivaro
