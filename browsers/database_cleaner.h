#pragma once
// Runs a database recipe on one browser database: a preview counts, a clean deletes, through the
// same statements. The file is reached through the profile's folder by handle and opened by SQLite
// only once it is known to be a plain file in that folder; what SQLite opened is then checked to be
// that very file.
//
// A clean is one transaction with secure delete on (what it deletes is overwritten), committed
// whole or not at all, and a database in WAL mode is checkpointed with TRUNCATE afterwards, so no
// removed row stays readable in the file, its -wal or its -journal. A preview opens the file read
// only and changes no byte of it or of the files beside it.
//
// A preview says exactly what the clean does, with one exception that fails safe: a file damaged
// only where the preview does not read is found out by the clean's check of the whole file, and
// left untouched.
//
// A database the running browser holds is never forced, waited on for more than a moment or
// closed: it comes back in use, for the user to close the browser. A file that is not the database
// the recipe knows (tables missing), is empty, corrupt, encrypted, a link, or holds a change its
// browser did not finish, is left untouched with its reason.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "browsers/cookie_keep_list.h"
#include "browsers/database_recipe.h"
#include "platform/error.h"
#include "platform/profile_files.h"

namespace nivaro {

// The error numbers of a database left as it was.
namespace database_status {
inline constexpr std::int32_t kInUse = 4400;          // the browser holds it: close the browser
inline constexpr std::int32_t kNotUnderstood = 4401;  // not the database this trace knows
inline constexpr std::int32_t kEmpty = 4402;
inline constexpr std::int32_t kCorrupt = 4403;
inline constexpr std::int32_t kNotADatabase = 4404;  // encrypted, or no SQLite database at all
inline constexpr std::int32_t kUnfinished = 4405;    // a change its browser did not finish
inline constexpr std::int32_t kSwapped = 4406;       // not the file that was checked
inline constexpr std::int32_t kOtherNames = 4407;    // the file has other names too (hard links)
inline constexpr std::int32_t kNoKeepList = 4408;    // the keep-list that guards it is not to be had
inline constexpr std::int32_t kNoKeptPages = 4409;   // which pages stay is not known
inline constexpr std::int32_t kFailed = 4410;        // SQLite failed part-way: rolled back
}  // namespace database_status

enum class DatabaseMode { kPreview, kClean };

enum class DatabaseState {
    kReady,   // a preview: the clean would do what the tables say
    kDone,    // a clean: committed, and the log truncated
    kAbsent,  // no such file: nothing to do
    kInUse,   // held by the running browser: it stays, and the problem says which browser to close
    kLeft,    // left untouched, with the problem saying why
};

struct TableOutcome {
    std::string table;
    StepKind kind = StepKind::kRemove;  // kRemove or kReset
    std::uint64_t rows = 0;             // rows that go (or are reset)
    std::uint64_t kept = 0;             // rows a keep-list or a bookmark keeps
};

struct DatabaseOutcome {
    std::wstring path;  // the file where it really is
    std::uint64_t bytes = 0;
    DatabaseState state = DatabaseState::kAbsent;
    std::optional<Error> problem;
    std::vector<TableOutcome> tables;
    std::vector<std::string> skipped;    // steps whose table or columns this file lacks
    std::vector<std::string> keptPages;  // what the recipe's keptPages selects, for the next database

    std::uint64_t Rows() const;
};

struct DatabaseInputs {
    std::wstring browser;  // what the user is asked to close: "Edge"
    // The pages whose rows stay (bookmarked), as the temporary table kept_pages; nothing when they
    // could not be learnt, which leaves a recipe that needs them untouched.
    std::optional<std::vector<std::string>> keptPages;
    // The cookie keep-list, for the SQL function nivaro_cookie_kept(host, partition); an error
    // leaves a recipe that needs it untouched.
    std::optional<Result<CookieKeepList>> keep;
    // A file of the profile that the running browser holds (Firefox's parent.lock).
    std::optional<std::wstring> browserLock;
};

DatabaseOutcome RunDatabase(ProfileFiles& files, ProfileFolder& folder, const DatabaseRecipe& recipe,
                            const DatabaseInputs& inputs, DatabaseMode mode);

}  // namespace nivaro
