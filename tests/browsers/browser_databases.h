#pragma once
// Browser databases the tests make themselves, from each browser's published schema, at two
// generations: today's and one some years older. Each holds rows that a clean must remove, whose
// addresses and texts carry the marker "nivaro-gone", and rows it must keep (bookmarks, keywords,
// search engines, cards, cookies the keep-list names), marked "nivaro-kept".

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace nivaro::test {

inline constexpr std::string_view kGoneMarker = "nivaro-gone";

enum class Generation { kCurrent, kOlder };

// The schema and rows of one database file, as SQL.
std::string ChromiumHistory(Generation generation);
std::string ChromiumFavicons(Generation generation);
std::string ChromiumTopSites(Generation generation);
std::string ChromiumShortcuts();
std::string ChromiumCookies(Generation generation);
std::string ChromiumWebData(Generation generation);
std::string FirefoxPlaces(Generation generation);
std::string FirefoxFavicons(Generation generation);
std::string FirefoxCookies(Generation generation);
std::string FirefoxFormHistory(Generation generation);

// Today's History and Cookies schemas alone, without rows, for the benchmarks' own rows.
std::string_view ChromiumHistorySchema();
std::string_view ChromiumCookiesSchema();

// A Chromium Bookmarks file naming the kept page.
std::string ChromiumBookmarksJson();
// The page that a bookmark keeps, in every generation of every browser.
inline constexpr std::string_view kBookmarkedPage = "https://kept.example/nivaro-kept-bookmark";
// The cookie keep-list the cookie fixtures are written for.
inline const std::vector<std::wstring> kCookieKeepList = {L"*.kept.example"};

// Makes a database file at `path` from SQL; journal_mode "wal" leaves it in WAL mode.
Result<> MakeDatabase(const std::wstring& path, std::string_view sql, std::string_view journalMode = "delete");
// Makes it in WAL mode and leaves the last change in its -wal, uncheckpointed, as a browser that
// was stopped leaves it: `afterwards` runs after the checkpoint is turned off.
Result<> MakeDatabaseWithPendingLog(const std::wstring& path, std::string_view sql, std::string_view afterwards);

// Every row a query returns, each value written out with its type, in order: what byte-for-byte
// comparisons of kept rows compare.
Result<std::vector<std::string>> Dump(const std::wstring& path, std::string_view query);
// The first column of the first row as a number.
Result<std::int64_t> Number(const std::wstring& path, std::string_view query);

// Holds a database the way a running Chromium holds its History: in exclusive locking mode, with
// the exclusive lock a write takes, kept until the connection closes; every other connection meets
// the lock. No byte of the file changes.
class ExclusiveDatabaseHold {
public:
    explicit ExclusiveDatabaseHold(const std::wstring& path);
    ~ExclusiveDatabaseHold();
    ExclusiveDatabaseHold(const ExclusiveDatabaseHold&) = delete;
    ExclusiveDatabaseHold& operator=(const ExclusiveDatabaseHold&) = delete;
    bool Holding() const { return holding_; }

private:
    void* connection_ = nullptr;
    bool holding_ = false;
};

}  // namespace nivaro::test
