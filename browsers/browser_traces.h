#pragma once
// One trace of one browser profile, worked through database by database: what the item engine
// asks of this layer.
//
// How the item engine takes it in (once folders can be walked recursively by handle):
//   - ItemTarget gains an alternative BrowserTarget {browser id, which profiles (all of them),
//     trace}; the catalogue makes one item per browser and trace ("edge-history",
//     "firefox-cookies"), in a group per browser, shown when IsBrowserPresent says so.
//   - BeginPlan: DataFolderPath and DiscoverProfiles find the profiles and hold their folders; each
//     profile is a plan part (a profile that cannot be used is a part with its problem).
//   - ListPlan (a preview): RunTrace(kPreview) per profile; each database outcome becomes a
//     planned target per table ("History: visits", rows) or, for a database that is left, one
//     target that stays with its problem as its reason. Caches and sessions are folders: their
//     targets are files and bytes from the recursive walk.
//   - CarryItem (a clean): RunTrace(kClean) per profile, each database one transaction; the
//     targets are marked from the outcome, so that the report says rows per table.
//   - Exit codes: a database in use (DatabaseState::kInUse, "in use: close Edge") leaves its
//     targets as stayed (exit 1); a database left for another reason is an item that could not
//     run at all for that part (exit 3); a file that is not there holds nothing to remove.
//   - The keep-list of a cookies item is the items file's Keep= lines of its section; when the
//     items file could not be read, the engine passes that error, and no cookie is removed.

#include <span>
#include <string>
#include <vector>

#include "browsers/browser_catalog.h"
#include "browsers/database_cleaner.h"
#include "browsers/profile_discovery.h"
#include "platform/error.h"
#include "platform/profile_files.h"

namespace nivaro {

// The databases of one trace in one profile: what a preview foretells, or what a clean did, each
// database in the order it was worked through.
struct TraceOutcome {
    std::vector<DatabaseOutcome> databases;

    std::uint64_t Rows() const;
    bool InUse() const;
};

// `keep` is the cookie keep-list as the user wrote it, or why it could not be read.
TraceOutcome RunTrace(ProfileFiles& files, const BrowserInfo& browser, DiscoveredProfile& profile, BrowserTrace trace,
                      const Result<std::vector<std::wstring>>& keep, DatabaseMode mode);

}  // namespace nivaro
