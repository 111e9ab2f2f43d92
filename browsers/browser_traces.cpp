#include "browsers/browser_traces.h"

#include <algorithm>

#include "browsers/chromium_bookmarks.h"
#include "browsers/recipes.h"
#include "platform/path_join.h"

namespace nivaro {
namespace {

// A bookmarks file is far smaller; past this it is not read, and nothing it could keep is removed.
constexpr std::uint64_t kBookmarksLimit = 64 << 20;
// Firefox holds this file of its profile, without sharing, for as long as it runs.
constexpr std::wstring_view kFirefoxLock = L"parent.lock";
// The bookmarks files a Chromium profile keeps: the local ones, and those of the signed-in account.
constexpr std::wstring_view kBookmarkFiles[] = {L"Bookmarks", L"Account Bookmarks"};

// Every bookmarked address of the profile; nothing when a bookmarks file is there but cannot be
// read or understood, so that no page it might name is removed.
std::optional<std::vector<std::string>> ChromiumBookmarks(ProfileFiles& files, ProfileFolder& profile)
{
    std::vector<std::string> urls;
    for (std::wstring_view name : kBookmarkFiles) {
        Result<std::string> text = files.Read(profile, name, kBookmarksLimit);
        if (!text) {
            if (text.error().number == file_status::kFileNotFound) {
                continue;
            }
            return std::nullopt;
        }
        Result<std::vector<std::string>> found = BookmarkedUrls(*text);
        if (!found) {
            return std::nullopt;
        }
        std::ranges::move(*found, std::back_inserter(urls));
    }
    return urls;
}

}  // namespace

std::uint64_t TraceOutcome::Rows() const
{
    std::uint64_t rows = 0;
    for (const DatabaseOutcome& database : databases) {
        rows += database.Rows();
    }
    return rows;
}

bool TraceOutcome::InUse() const
{
    return std::ranges::any_of(databases, [](const DatabaseOutcome& d) { return d.state == DatabaseState::kInUse; });
}

TraceOutcome RunTrace(ProfileFiles& files, const BrowserInfo& browser, DiscoveredProfile& profile, BrowserTrace trace,
                      const Result<std::vector<std::wstring>>& keep, DatabaseMode mode)
{
    TraceOutcome outcome;
    if (!profile.folder) {
        return outcome;
    }
    DatabaseInputs inputs{.browser = std::wstring(browser.name)};
    if (browser.family == BrowserFamily::kFirefox) {
        inputs.browserLock = std::wstring(kFirefoxLock);
    } else if (trace == BrowserTrace::kHistory) {
        inputs.keptPages = ChromiumBookmarks(files, *profile.folder);
    }
    if (trace == BrowserTrace::kCookies) {
        inputs.keep = keep ? CookieKeepList::Parse(*keep) : std::unexpected(keep.error());
    }
    for (const DatabaseRecipe& recipe : RecipesFor(browser.family, trace)) {
        DatabaseOutcome database;
        if (recipe.folder.empty()) {
            database = RunDatabase(files, *profile.folder, recipe, inputs, mode);
        } else if (Result<std::unique_ptr<ProfileFolder>> folder =
                       files.OpenSubfolder(*profile.folder, recipe.folder)) {
            database = RunDatabase(files, **folder, recipe, inputs, mode);
        } else {
            database.path =
                JoinPath(JoinPath(profile.path, recipe.folder, files.Separator()), recipe.file, files.Separator());
            if (folder.error().number != file_status::kFileNotFound) {
                database.state = DatabaseState::kLeft;
                database.problem =
                    Error{folder.error().number, std::wstring(recipe.folder) + L": " + folder.error().description};
            }
        }
        // The next database keeps what this one learnt stays; when it could not learn it, the
        // next one removes nothing that depends on it.
        if (!recipe.keptPages.empty()) {
            const bool learnt = database.state == DatabaseState::kReady || database.state == DatabaseState::kDone;
            inputs.keptPages = learnt ? std::optional(database.keptPages) : std::nullopt;
        }
        outcome.databases.push_back(std::move(database));
    }
    return outcome;
}

}  // namespace nivaro
