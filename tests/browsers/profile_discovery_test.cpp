// Finding every profile of a browser on this build's backend, from hostile settings files, and
// working a whole trace through a profile's databases.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "browsers/browser_traces.h"
#include "browsers/profile_discovery.h"
#include "platform/backend.h"
#include "platform/utf8.h"
#include "tests/browsers/browser_databases.h"
#include "tests/support/folder_fixture.h"

namespace nivaro {
namespace {

const BrowserInfo& Browser(std::string_view id)
{
    return *std::ranges::find(kBrowsers, id, &BrowserInfo::id);
}

class ProfileDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(disk_.Root().empty()); }

    std::wstring At(std::wstring_view relative) const
    {
        std::wstring path = disk_.Root();
        std::size_t start = 0;
        for (std::size_t end; (end = relative.find(L'/', start)) != std::wstring_view::npos; start = end + 1) {
            path = FolderFixture::Join(path, relative.substr(start, end - start));
        }
        return FolderFixture::Join(path, relative.substr(start));
    }

    BrowserProfiles Discover(std::string_view browser, std::wstring_view data)
    {
        return DiscoverProfiles(Browser(browser), At(data), *profiles_, *files_, *environment_);
    }

    static std::vector<std::wstring> Names(const BrowserProfiles& found)
    {
        std::vector<std::wstring> names;
        for (const DiscoveredProfile& profile : found.profiles) {
            names.push_back(profile.name + (profile.problem ? L" !" : L"") +
                            (profile.label != profile.name ? L" (" + profile.label + L")" : L""));
        }
        return names;
    }

    FolderFixture disk_;
    std::unique_ptr<ProfileFiles> profiles_ = MakeProfileFiles();
    std::unique_ptr<FileSystem> files_ = MakeFileSystem();
    std::unique_ptr<Environment> environment_ = MakeEnvironment();
};

TEST_F(ProfileDiscoveryTest, FindsChromiumProfilesFromLocalStateAndTheFoldersPresent)
{
    for (const std::wstring_view folder :
         {L"User Data", L"User Data/Default", L"User Data/Profile 1", L"User Data/Profile 2",
          L"User Data/System Profile", L"User Data/Guest Profile", L"elsewhere"}) {
        ASSERT_TRUE(disk_.MakeFolder(At(folder)));
    }
    ASSERT_TRUE(disk_.MakeFile(At(L"User Data/Profile 3")));  // a file that only looks like a profile
    ASSERT_TRUE(disk_.WriteFile(At(L"User Data/Local State"), R"({"profile": {"info_cache": {
        "Default": {"name": "Me"}, "Profile 1": {"name": "Work"}, "Profile 7": {"name": "Removed"},
        "..\\..\\elsewhere": {"name": "Escape"}, "../elsewhere": {"name": "Escape"}, "profile 1": {"name": "Twice"}}}})"));

    const BrowserProfiles found = Discover("edge", L"User Data");
    EXPECT_TRUE(found.present);
    EXPECT_FALSE(found.problem);
    EXPECT_EQ(Names(found), (std::vector<std::wstring>{L"../elsewhere ! (Escape)", L"..\\..\\elsewhere ! (Escape)",
                                                       L"Default (Me)", L"Profile 1 (Work)", L"Profile 2"}));
    for (const DiscoveredProfile& profile : found.profiles) {
        EXPECT_EQ(profile.folder != nullptr, !profile.problem);
        if (profile.folder) {
            EXPECT_EQ(profile.cache, profile.folder->Path());
        }
    }
}

// make_test_folders.py's browser-links user-data folder: Profile 4 is a link to a folder elsewhere.
TEST_F(ProfileDiscoveryTest, NeverFollowsAProfileThatIsALink)
{
    const BrowserProfiles found = DiscoverProfiles(
        Browser("edge"), FolderFixture::Join(NIVARO_BROWSER_LINKS, L"User Data"), *profiles_, *files_, *environment_);
    EXPECT_EQ(Names(found), (std::vector<std::wstring>{L"Default", L"Profile 4 !"}));
    ASSERT_EQ(found.profiles.size(), 2u);
    ASSERT_TRUE(found.profiles[1].problem);
    EXPECT_EQ(found.profiles[1].problem->number, profile_status::kLink);
}

TEST_F(ProfileDiscoveryTest, UsesTheFoldersWhenLocalStateCannotBeUsed)
{
    ASSERT_TRUE(disk_.MakeFolder(At(L"User Data")));
    ASSERT_TRUE(disk_.MakeFolder(At(L"User Data/Default")));
    ASSERT_TRUE(disk_.MakeFolder(At(L"User Data/Profile 12")));
    const struct {
        const char* name;
        std::function<bool()> make;
    } cases[] = {
        {"malformed", [&] { return disk_.WriteFile(At(L"User Data/Local State"), R"({"profile": {"info_cache": )"); }},
        {"not an object", [&] { return disk_.WriteFile(At(L"User Data/Local State"), R"({"profile": [1, 2]})"); }},
        {"huge", [&] { return disk_.MakeFile(At(L"User Data/Local State"), kLargestReadableFile + 1); }},
        {"a folder", [&] { return disk_.MakeFolder(At(L"User Data/Local State")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.make());
        const BrowserProfiles found = Discover("chrome", L"User Data");
        EXPECT_EQ(Names(found), (std::vector<std::wstring>{L"Default", L"Profile 12"}));
        if (std::string_view(c.name) != "not an object") {
            EXPECT_EQ(found.notes.size(), 1u);
        }
        if (disk_.Exists(At(L"User Data/Local State"))) {
            if (!disk_.RemoveFile(At(L"User Data/Local State"))) {
                ASSERT_TRUE(disk_.RemoveEmptyFolder(At(L"User Data/Local State")));
            }
        }
    }
}

TEST_F(ProfileDiscoveryTest, TellsAbsentFromUnusable)
{
    BrowserProfiles absent = Discover("brave", L"nothing here");
    EXPECT_FALSE(absent.present);
    EXPECT_TRUE(absent.profiles.empty());

    ASSERT_TRUE(disk_.MakeFile(At(L"a file")));
    BrowserProfiles file = Discover("vivaldi", L"a file");
    EXPECT_TRUE(file.present);
    EXPECT_TRUE(file.problem);
    EXPECT_TRUE(file.profiles.empty());
}

TEST_F(ProfileDiscoveryTest, OperasDataFolderIsItsProfile)
{
    ASSERT_TRUE(disk_.MakeFolder(At(L"Opera Stable")));
    const BrowserProfiles found = Discover("opera", L"Opera Stable");
    ASSERT_EQ(found.profiles.size(), 1u);
    EXPECT_EQ(found.profiles[0].name, L"Opera Stable");
    ASSERT_TRUE(found.profiles[0].folder);
    EXPECT_EQ(found.profiles[0].folder->Path(), found.dataPath);
    if (const std::optional<std::wstring> local = environment_->KnownFolder(KnownPlace::kLocalAppData)) {
        EXPECT_TRUE(found.profiles[0].cache.starts_with(*local));
        EXPECT_TRUE(found.profiles[0].cache.ends_with(L"Opera Stable"));
    }
}

TEST_F(ProfileDiscoveryTest, FindsFirefoxProfilesWhereProfilesIniPutsThem)
{
    for (const std::wstring_view folder : {L"Firefox", L"Firefox/Profiles", L"Firefox/Profiles/abc.default-release",
                                           L"Firefox/Profiles/old.default", L"Elsewhere.profile", L"escape"}) {
        ASSERT_TRUE(disk_.MakeFolder(At(folder)));
    }
    const std::string elsewhere = ToUtf8(At(L"Elsewhere.profile"));
    const std::string root = ToUtf8(disk_.Root().substr(0, FolderFixture::Separator() == L'/' ? 1 : 3));
    const std::string ini =
        "\xEF\xBB\xBF[Install4F96D1932A9F858E]\r\nDefault=Profiles/abc.default-release\r\n"
        "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/abc.default-release\r\n"
        "[Profile1]\r\nName=moved\r\nIsRelative=0\r\nPath=" +
        elsewhere +
        "\r\n"
        "[Profile2]\r\nName=escape\r\nIsRelative=1\r\nPath=../../escape\r\n"
        "[Profile3]\r\nName=twice\r\nIsRelative=1\r\nPath=Profiles\\abc.default-release\r\n"
        "[Profile4]\r\nName=not full\r\nIsRelative=0\r\nPath=somewhere\\relative\r\n"
        "[Profile5]\r\nName=gone\r\nIsRelative=1\r\nPath=Profiles/removed.default\r\n"
        "[Profile6]\r\nName=root\r\nIsRelative=0\r\nPath=" +
        root +
        "\r\n"
        "[Profile7]\r\nIsRelative=1\r\nPath=Profiles/old.default\r\n"
        "[General]\r\nStartWithLastProfile=1\r\nVersion=2\r\n";
    ASSERT_TRUE(disk_.WriteFile(At(L"Firefox/profiles.ini"), ini));

    const BrowserProfiles found = Discover("firefox", L"Firefox");
    EXPECT_FALSE(found.problem);
    EXPECT_EQ(Names(found), (std::vector<std::wstring>{L"Profiles/abc.default-release (default-release)",
                                                       FromUtf8(elsewhere) + L" (moved)", L"../../escape ! (escape)",
                                                       L"somewhere\\relative ! (not full)",
                                                       FromUtf8(root) + L" ! (root)", L"Profiles/old.default"}));
    ASSERT_TRUE(found.profiles[0].folder);
    EXPECT_TRUE(found.profiles[0].folder->Path().ends_with(L"abc.default-release"));
    EXPECT_EQ(found.profiles[1].cache, found.profiles[1].folder->Path());  // a profile elsewhere has its cache inside
    if (const std::optional<std::wstring> local = environment_->KnownFolder(KnownPlace::kLocalAppData)) {
        EXPECT_TRUE(found.profiles[0].cache.starts_with(*local));
        EXPECT_TRUE(found.profiles[0].cache.ends_with(L"abc.default-release"));
    }
    EXPECT_EQ(found.notes.size(), 2u);  // the same folder twice, and a profile that is not there
}

TEST_F(ProfileDiscoveryTest, FirefoxWithoutAReadableProfilesIniHasNoProfiles)
{
    ASSERT_TRUE(disk_.MakeFolder(At(L"Firefox")));
    EXPECT_TRUE(Discover("firefox", L"Firefox").profiles.empty());
    ASSERT_TRUE(disk_.MakeFile(At(L"Firefox/profiles.ini"), kLargestReadableFile + 1));
    const BrowserProfiles found = Discover("firefox", L"Firefox");
    EXPECT_TRUE(found.profiles.empty());
    EXPECT_TRUE(found.problem);
}

// A whole trace of a profile: its databases in order, what one learns handed to the next.
TEST_F(ProfileDiscoveryTest, WorksATraceThroughAProfilesDatabases)
{
    using test::Generation;
    ASSERT_TRUE(disk_.MakeFolder(At(L"User Data")));
    ASSERT_TRUE(disk_.MakeFolder(At(L"User Data/Default")));
    ASSERT_TRUE(disk_.MakeFolder(At(L"User Data/Default/Network")));
    ASSERT_TRUE(test::MakeDatabase(At(L"User Data/Default/History"), test::ChromiumHistory(Generation::kCurrent)));
    ASSERT_TRUE(test::MakeDatabase(At(L"User Data/Default/Favicons"), test::ChromiumFavicons(Generation::kCurrent)));
    ASSERT_TRUE(
        test::MakeDatabase(At(L"User Data/Default/Network/Cookies"), test::ChromiumCookies(Generation::kCurrent)));
    ASSERT_TRUE(disk_.WriteFile(At(L"User Data/Default/Bookmarks"), test::ChromiumBookmarksJson()));
    BrowserProfiles edge = Discover("edge", L"User Data");
    ASSERT_EQ(edge.profiles.size(), 1u);
    DiscoveredProfile& profile = edge.profiles[0];

    const TraceOutcome preview =
        RunTrace(*profiles_, Browser("edge"), profile, BrowserTrace::kHistory, {}, DatabaseMode::kPreview);
    ASSERT_EQ(preview.databases.size(), 4u);
    EXPECT_EQ(preview.databases[0].state, DatabaseState::kReady);
    EXPECT_EQ(preview.databases[1].state, DatabaseState::kReady);
    EXPECT_EQ(preview.databases[2].state, DatabaseState::kAbsent);  // no Top Sites
    EXPECT_EQ(preview.databases[3].state, DatabaseState::kAbsent);  // no Shortcuts
    const TraceOutcome clean =
        RunTrace(*profiles_, Browser("edge"), profile, BrowserTrace::kHistory, {}, DatabaseMode::kClean);
    EXPECT_EQ(clean.Rows(), preview.Rows());
    EXPECT_EQ(test::Number(At(L"User Data/Default/History"), "SELECT count(*) FROM urls"), 1);
    EXPECT_EQ(test::Number(At(L"User Data/Default/Favicons"), "SELECT count(*) FROM favicons"), 1);

    const TraceOutcome cookies = RunTrace(*profiles_, Browser("edge"), profile, BrowserTrace::kCookies,
                                          test::kCookieKeepList, DatabaseMode::kClean);
    ASSERT_EQ(cookies.databases.size(), 2u);
    EXPECT_EQ(cookies.databases[0].state, DatabaseState::kDone);    // Network/Cookies
    EXPECT_EQ(cookies.databases[1].state, DatabaseState::kAbsent);  // no older Cookies beside it
    EXPECT_EQ(cookies.Rows(), 3u);

    // Bookmarks that cannot be read keep every page, and every icon.
    ASSERT_TRUE(test::MakeDatabase(At(L"User Data/Default/Shortcuts"), test::ChromiumShortcuts()));
    ASSERT_TRUE(disk_.RemoveFile(At(L"User Data/Default/Bookmarks")));
    ASSERT_TRUE(disk_.WriteFile(At(L"User Data/Default/Bookmarks"), "{\"roots\": "));
    const TraceOutcome unsure =
        RunTrace(*profiles_, Browser("edge"), profile, BrowserTrace::kHistory, {}, DatabaseMode::kClean);
    EXPECT_EQ(unsure.databases[0].state, DatabaseState::kLeft);
    EXPECT_EQ(unsure.databases[1].state, DatabaseState::kLeft);
    EXPECT_EQ(unsure.databases[3].state, DatabaseState::kDone) << "shortcuts do not depend on bookmarks";
}

TEST_F(ProfileDiscoveryTest, FirefoxKeepsTheIconsOfPagesThatStayOrAllWhenThatIsNotKnown)
{
    using test::Generation;
    ASSERT_TRUE(disk_.MakeFolder(At(L"Firefox")));
    ASSERT_TRUE(disk_.MakeFolder(At(L"Firefox/p")));
    ASSERT_TRUE(disk_.WriteFile(At(L"Firefox/profiles.ini"), "[Profile0]\nIsRelative=1\nPath=p\n"));
    ASSERT_TRUE(test::MakeDatabase(At(L"Firefox/p/places.sqlite"), test::FirefoxPlaces(Generation::kCurrent), "wal"));
    ASSERT_TRUE(
        test::MakeDatabase(At(L"Firefox/p/favicons.sqlite"), test::FirefoxFavicons(Generation::kCurrent), "wal"));
    BrowserProfiles firefox = Discover("firefox", L"Firefox");
    ASSERT_EQ(firefox.profiles.size(), 1u);
    {
        test::ExclusiveDatabaseHold held(At(L"Firefox/p/places.sqlite"));
        ASSERT_TRUE(held.Holding());
        const TraceOutcome busy = RunTrace(*profiles_, Browser("firefox"), firefox.profiles[0], BrowserTrace::kHistory,
                                           {}, DatabaseMode::kClean);
        EXPECT_TRUE(busy.InUse());
        EXPECT_EQ(busy.databases[1].state, DatabaseState::kLeft);
        EXPECT_EQ(test::Number(At(L"Firefox/p/favicons.sqlite"), "SELECT count(*) FROM moz_icons"), 4);
    }
    const TraceOutcome clean =
        RunTrace(*profiles_, Browser("firefox"), firefox.profiles[0], BrowserTrace::kHistory, {}, DatabaseMode::kClean);
    EXPECT_EQ(clean.databases[0].state, DatabaseState::kDone);
    EXPECT_EQ(clean.databases[1].state, DatabaseState::kDone);
    EXPECT_EQ(test::Dump(At(L"Firefox/p/favicons.sqlite"), "SELECT id FROM moz_icons ORDER BY id"),
              (std::vector<std::string>{"1:1|", "1:3|"}));
}

}  // namespace
}  // namespace nivaro
