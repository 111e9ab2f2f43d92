// What the browser layer reads from text: cookie keep patterns and the sites cookies are
// partitioned by, and Chromium's bookmarks file. All of it is hostile input.

#include <gtest/gtest.h>

#include <algorithm>

#include "browsers/chromium_bookmarks.h"
#include "browsers/cookie_keep_list.h"

namespace nivaro {
namespace {

TEST(CookieKeepListTest, TakesHostPatternsOnlyAndRefusesTheWholeListOtherwise)
{
    const struct {
        std::wstring pattern;
        bool taken;
    } cases[] = {
        {L"*.example.org", true},
        {L"example.net", true},
        {L"ex?mple.org", true},
        {L"*", true},
        {L"bücher.example", true},
        {L"under_score.example", true},
        {L"", false},
        {L"https://example.org", false},
        {L"example.org/path", false},
        {L"example.org:443", false},
        {L"two words.org", false},
        {L"C:\\Users\\me", false},
        {L"user@example.org", false},
        {L"example.org\n", false},
    };
    for (const auto& c : cases) {
        const std::wstring one[] = {c.pattern};
        EXPECT_EQ(CookieKeepList::Parse(one).has_value(), c.taken) << testing::PrintToString(c.pattern);
        // One bad pattern among good ones refuses the list: it fails closed.
        const std::wstring many[] = {L"*.kept.example", c.pattern};
        EXPECT_EQ(CookieKeepList::Parse(many).has_value(), c.taken);
    }
}

TEST(CookieKeepListTest, KeepsAHostItsDomainAndWhatIsPartitionedByAKeptSite)
{
    const std::wstring patterns[] = {L"*.kept.example"};
    const CookieKeepList keep = *CookieKeepList::Parse(patterns);
    const struct {
        std::string_view host;
        std::string_view partition;
        bool kept;
    } cases[] = {
        {"www.kept.example", "", true},
        {".kept.example", "", true},  // a domain cookie
        {"kept.example", "", true},   // the site itself, as its domain
        {"WWW.KEPT.EXAMPLE", "", true},
        {"notkept.example", "", false},
        {"kept.example.evil", "", false},
        {"", "", false},
        // Chromium's top_frame_site_key
        {"tracker.other", "https://kept.example", true},
        {"tracker.other", "https://sub.kept.example:8443", true},
        {"tracker.other", "https://gone.example", false},
        {"tracker.other", "not a site", false},
        // Firefox's originAttributes
        {"tracker.other", "^partitionKey=%28https%2Ckept.example%29", true},
        {"tracker.other", "^userContextId=2&partitionKey=%28https%2Ckept.example%2C8443%29", true},
        {"tracker.other", "^partitionKey=%28https%2Cgone.example%29", false},
        {"tracker.other", "^firstPartyDomain=kept.example", false},
        {"tracker.other", "^partitionKey=%28https", false},
        {"tracker.other", "^partitionKey=", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keep.Keeps(c.host, c.partition), c.kept) << c.host << " " << c.partition;
    }
    EXPECT_FALSE(CookieKeepList::Parse({})->Keeps("www.kept.example", "")) << "an empty list keeps nothing";
}

TEST(CookieKeepListTest, OriginIsSchemeHostAndPort)
{
    EXPECT_EQ(OriginOf("https://kept.example/favicon.ico"), "https://kept.example");
    EXPECT_EQ(OriginOf("https://kept.example:8443?x#y"), "https://kept.example:8443");
    EXPECT_EQ(OriginOf("https://kept.example"), "https://kept.example");
    EXPECT_EQ(OriginOf("data:image/png;base64,AAAA"), "");
}

TEST(ChromiumBookmarksTest, FindsEveryAddressAtAnyDepth)
{
    const std::string json = R"({"roots": {
        "bookmark_bar": {"type": "folder", "children": [
            {"type": "url", "url": "https://a.example/"},
            {"type": "folder", "children": [{"type": "url", "url": "https://b.example/"}]}]},
        "other": {"type": "folder", "children": [{"type": "url", "url": 42}, {"type": "url"}, "junk"]},
        "synced": {"type": "folder", "children": [{"type": "url", "url": "https://c.example/"}]}},
        "version": 1})";
    Result<std::vector<std::string>> urls = BookmarkedUrls(json);
    ASSERT_TRUE(urls);
    std::ranges::sort(*urls);
    EXPECT_EQ(*urls, (std::vector<std::string>{"https://a.example/", "https://b.example/", "https://c.example/"}));

    std::string deep = R"({"roots": {"other": )";
    constexpr int kDepth = 20000;
    for (int i = 0; i < kDepth; ++i) {
        deep += R"({"type": "folder", "children": [)";
    }
    deep += R"({"type": "url", "url": "https://deep.example/"})";
    for (int i = 0; i < kDepth; ++i) {
        deep += "]}";
    }
    deep += "}}";
    EXPECT_EQ(BookmarkedUrls(deep), (std::vector<std::string>{"https://deep.example/"}));
}

TEST(ChromiumBookmarksTest, RefusesWhatIsNoBookmarksFile)
{
    for (const std::string_view text : {"", "{", "[]", R"({"roots": 1})", R"({"version": 1})", "\xff\xfe{}",
                                        R"({"roots": {"other": {"children": [)"}) {
        EXPECT_FALSE(BookmarkedUrls(text)) << text;
    }
}

}  // namespace
}  // namespace nivaro
