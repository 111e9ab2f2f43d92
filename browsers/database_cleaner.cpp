#include "browsers/database_cleaner.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <unordered_map>

#include "browsers/sqlite_connection.h"
#include "platform/path_join.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

// How long a database held by someone else is waited for: long enough for a browser's own short
// write to end, short enough that the user never waits on a browser that is running.
constexpr int kBusyMilliseconds = 100;
// The most memory a connection's page cache takes; it grows only as far as the file is read.
constexpr int kCacheKibibytes = 64 * 1024;
// How much of a file is read through a mapping of it.
constexpr std::int64_t kMappedBytes = 256LL << 20;
// A rollback journal that still holds a change starts with these bytes; a finished one is empty
// or has them zeroed.
constexpr std::string_view kJournalMagic = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";

std::string Lower(std::string_view text)
{
    std::string out(text);
    std::ranges::transform(out, out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

Error Problem(std::int32_t number, std::wstring description)
{
    return {number, std::move(description)};
}

// The outcome of a database left as it was, for a reason of SQLite's.
Error FromSqlite(const Error& error, const std::wstring& browser)
{
    switch (error.number & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Problem(database_status::kInUse, L"in use: close " + browser);
    case SQLITE_NOTADB:
        return Problem(database_status::kNotADatabase, L"not a database SQLite can read: encrypted, or another format");
    case SQLITE_CORRUPT:
        return Problem(database_status::kCorrupt, L"the database is damaged (" + error.description + L")");
    default:
        return Problem(database_status::kFailed, error.description);
    }
}

// No SQLite result code, extended or not, falls in this range.
bool IsOwn(const Error& error)
{
    return error.number >= database_status::kInUse && error.number <= database_status::kFailed;
}

// A path as a file: URI, each byte that would end or change the path escaped.
std::string DatabaseUri(std::wstring_view path, std::string_view query)
{
    std::string uri = "file:";
    const std::string bytes = ToUtf8(path);
    if (bytes.size() >= 2 && bytes[1] == ':') {
        uri += "///";  // C:/dir/name
    }
    constexpr std::string_view kHex = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            uri += '/';
        } else if (std::isalnum(byte) != 0 || std::string_view("/:-_.~ ").find(c) != std::string_view::npos) {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0xF];
        }
    }
    uri += '?';
    uri += query;
    return uri;
}

// What the file holds: its tables, and each table's columns as "table.column", in lower case.
Result<std::set<std::string>> ReadSchema(SqliteConnection& db)
{
    Result<SqliteStatement> tables = db.Prepare("SELECT name FROM main.sqlite_schema WHERE type = 'table'");
    if (!tables) {
        return std::unexpected(tables.error());
    }
    std::vector<std::string> found;
    if (Result<> read = tables->EachRow([&](const SqliteStatement& row) { found.push_back(row.Text(0)); }); !read) {
        return std::unexpected(read.error());
    }
    Result<SqliteStatement> columns = db.Prepare("SELECT name FROM pragma_table_info(?1, 'main')");
    if (!columns) {
        return std::unexpected(columns.error());
    }
    std::set<std::string> names;
    for (const std::string& table : found) {
        const std::string lower = Lower(table);
        names.insert(lower);
        (void)columns->Reset();
        Result<> read = columns->Bind(1, table);
        if (read) {
            read = columns->EachRow([&](const SqliteStatement& row) { names.insert(lower + "." + Lower(row.Text(0))); });
        }
        if (!read) {
            return std::unexpected(read.error());
        }
    }
    return names;
}

// "table", "table.column", or with a leading '!' one that must not be there.
bool NeedsMet(const std::set<std::string>& schema, std::span<const std::string_view> needs)
{
    return std::ranges::all_of(needs, [&](std::string_view need) {
        const bool absent = need.starts_with('!');
        return schema.contains(Lower(absent ? need.substr(1) : need)) != absent;
    });
}

// The keep-list's answers for one run: a database holds many cookies of each host, and each is
// asked about twice, by the count and by the delete.
class KeepQuery {
public:
    explicit KeepQuery(const CookieKeepList& list) : list_(list) {}

    bool Keeps(std::string_view host, std::string_view partition)
    {
        std::string key;
        key.reserve(host.size() + partition.size() + 1);
        key.append(host).push_back('\0');
        key.append(partition);
        const auto [at, added] = answers_.try_emplace(std::move(key), false);
        if (added) {
            at->second = list_.Keeps(host, partition);
        }
        return at->second;
    }

private:
    const CookieKeepList& list_;
    std::unordered_map<std::string, bool> answers_;
};

void CookieKept(sqlite3_context* context, int, sqlite3_value** values)
{
    auto* query = static_cast<KeepQuery*>(::sqlite3_user_data(context));
    const auto text = [&](int index) {
        const auto* raw = reinterpret_cast<const char*>(::sqlite3_value_text(values[index]));
        return raw == nullptr ? std::string_view()
                              : std::string_view(raw, static_cast<std::size_t>(::sqlite3_value_bytes(values[index])));
    };
    ::sqlite3_result_int(context, query->Keeps(text(0), text(1)) ? 1 : 0);
}

void Origin(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* raw = reinterpret_cast<const char*>(::sqlite3_value_text(values[0]));
    const std::string origin = raw == nullptr ? std::string() : OriginOf(raw);
    ::sqlite3_result_text64(context, origin.data(), origin.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

Result<> RegisterFunctions(SqliteConnection& db, KeepQuery* keep)
{
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
    if (keep != nullptr) {
        const int code = ::sqlite3_create_function_v2(db.Get(), "nivaro_cookie_kept", 2, kFlags, keep, CookieKept,
                                                      nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) {
            return std::unexpected(SqliteError(db.Get(), code));
        }
    }
    const int code =
        ::sqlite3_create_function_v2(db.Get(), "nivaro_origin", 1, kFlags, nullptr, Origin, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        return std::unexpected(SqliteError(db.Get(), code));
    }
    return {};
}

Result<> FillKeptPages(SqliteConnection& db, const std::vector<std::string>& pages)
{
    if (Result<> made = db.Execute("CREATE TEMP TABLE kept_pages(id PRIMARY KEY) WITHOUT ROWID"); !made) {
        return made;
    }
    Result<SqliteStatement> insert = db.Prepare("INSERT OR IGNORE INTO temp.kept_pages(id) VALUES (?1)");
    if (!insert) {
        return std::unexpected(insert.error());
    }
    for (const std::string& page : pages) {
        if (Result<> bound = insert->Bind(1, page); !bound) {
            return bound;
        }
        if (Result<> ran = insert->Run(); !ran) {
            return ran;
        }
        (void)insert->Reset();
    }
    return {};
}

std::string Condition(std::string_view where)
{
    return where.empty() ? std::string() : " WHERE " + std::string(where);
}

Result<std::uint64_t> Count(SqliteConnection& db, std::string_view table, std::string_view where)
{
    Result<std::optional<std::int64_t>> count =
        db.QueryInt("SELECT count(*) FROM main." + std::string(table) + Condition(where));
    if (!count) {
        return std::unexpected(count.error());
    }
    return static_cast<std::uint64_t>(count->value_or(0));
}

// One step, counted or carried out; nothing when it is skipped.
Result<std::optional<TableOutcome>> RunStep(SqliteConnection& db, const std::set<std::string>& schema,
                                            const RecipeStep& step, DatabaseMode mode)
{
    const std::string table(step.table);
    if (step.kind == StepKind::kCollect) {
        Result<> made =
            db.Execute("CREATE TEMP TABLE " + table + "(id PRIMARY KEY) WITHOUT ROWID; INSERT OR IGNORE INTO temp." +
                       table + "(id) " + std::string(step.select) + ";");
        if (!made) {
            return std::unexpected(made.error());
        }
        return std::optional<TableOutcome>();
    }
    TableOutcome outcome{.table = table, .kind = step.kind};
    // The rows that stay are all the rows less those that go, counted without asking each row again.
    std::uint64_t all = 0;
    if (step.countStaying) {
        Result<std::uint64_t> counted = Count(db, table, {});
        if (!counted) {
            return std::unexpected(counted.error());
        }
        all = *counted;
    }
    if (mode == DatabaseMode::kPreview) {
        Result<std::uint64_t> rows = Count(db, table, step.where);
        if (!rows) {
            return std::unexpected(rows.error());
        }
        outcome.rows = *rows;
        outcome.kept = step.countStaying ? all - outcome.rows : 0;
        return std::optional(outcome);
    }
    std::string sql;
    if (step.kind == StepKind::kRemove) {
        sql = "DELETE FROM main." + table + Condition(step.where);
    } else {
        std::string assignments;
        for (const Assignment& assignment : step.assignments) {
            if (schema.contains(Lower(table + "." + std::string(assignment.column)))) {
                assignments += (assignments.empty() ? "" : ", ") + std::string(assignment.column) + " = " +
                               std::string(assignment.value);
            }
        }
        if (assignments.empty()) {
            return std::optional(outcome);
        }
        sql = "UPDATE main." + table + " SET " + assignments + Condition(step.where);
    }
    if (Result<> ran = db.Execute(sql); !ran) {
        return std::unexpected(ran.error());
    }
    outcome.rows = db.Changes();
    outcome.kept = step.countStaying && step.kind == StepKind::kRemove ? all - outcome.rows : 0;
    return std::optional(outcome);
}

// Rolls back a transaction that was not committed, whichever way the work ended.
class Transaction {
public:
    explicit Transaction(SqliteConnection& db) : db_(db) {}
    ~Transaction()
    {
        if (open_) {
            (void)db_.Execute("ROLLBACK");
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    Result<> Begin(std::string_view how)
    {
        Result<> begun = db_.Execute(how);
        open_ = begun.has_value();
        return begun;
    }
    Result<> Commit()
    {
        Result<> committed = db_.Execute("COMMIT");
        open_ = open_ && !committed;
        return committed;
    }

private:
    SqliteConnection& db_;
    bool open_ = false;
};

// The files SQLite keeps beside a database.
struct SideFiles {
    std::optional<FileFacts> journal;
    std::optional<FileFacts> wal;
    std::optional<FileFacts> shm;
};

// Each side file that is there must be a plain file of the folder: SQLite opens them by path, and
// one that is a link would have it write wherever the link leads.
Result<SideFiles> ExamineSideFiles(ProfileFiles& files, ProfileFolder& folder, std::wstring_view name)
{
    SideFiles side;
    const std::pair<std::wstring_view, std::optional<FileFacts>*> each[] = {
        {L"-journal", &side.journal}, {L"-wal", &side.wal}, {L"-shm", &side.shm}};
    for (const auto& [suffix, facts] : each) {
        const std::wstring sideName = std::wstring(name) + std::wstring(suffix);
        Result<FileFacts> examined = files.Examine(folder, sideName);
        if (examined) {
            *facts = *examined;
        } else if (examined.error().number != file_status::kFileNotFound) {
            return Fail(examined.error().number, sideName + L": " + examined.error().description);
        }
    }
    return side;
}

class Run {
public:
    Run(ProfileFiles& files, ProfileFolder& folder, const DatabaseRecipe& recipe, const DatabaseInputs& inputs,
        DatabaseMode mode)
        : files_(files), folder_(folder), recipe_(recipe), inputs_(inputs), mode_(mode)
    {
        outcome_.path = JoinPath(folder.Path(), recipe.file, files.Separator());
    }

    DatabaseOutcome Go()
    {
        if (Result<> done = Work(); !done) {
            outcome_.state =
                done.error().number == database_status::kInUse ? DatabaseState::kInUse : DatabaseState::kLeft;
            outcome_.problem = done.error();
            outcome_.tables.clear();
            outcome_.keptPages.clear();
        }
        return std::move(outcome_);
    }

private:
    Result<> Work()
    {
        Result<FileFacts> facts = files_.Examine(folder_, recipe_.file);
        if (!facts) {
            if (facts.error().number == file_status::kFileNotFound) {
                outcome_.state = DatabaseState::kAbsent;
                return {};
            }
            return std::unexpected(facts.error());
        }
        outcome_.bytes = facts->size;
        if (facts->names > 1) {
            return Fail(database_status::kOtherNames, L"the file has other names too, so it is not changed");
        }
        if (facts->size == 0) {
            return Fail(database_status::kEmpty, L"the file is empty: no database to clean");
        }
        Result<SideFiles> side = ExamineSideFiles(files_, folder_, recipe_.file);
        if (!side) {
            return std::unexpected(side.error());
        }
        if (Result<> ready = InputsReady(); !ready) {
            return ready;
        }
        if ((inputs_.browserLock && files_.HeldByAnother(folder_, *inputs_.browserLock)) ||
            files_.HeldByAnother(folder_, recipe_.file)) {
            return Fail(database_status::kInUse, L"in use: close " + inputs_.browser);
        }
        if (Result<> finished = Finished(*side); !finished) {
            return finished;
        }
        Result<SqliteConnection> db = Open();
        if (!db) {
            return std::unexpected(FromSqlite(db.error(), inputs_.browser));
        }
        if (Result<> done = Carry(*db, facts->identity); !done) {
            return std::unexpected(IsOwn(done.error()) ? done.error() : FromSqlite(done.error(), inputs_.browser));
        }
        outcome_.state = mode_ == DatabaseMode::kPreview ? DatabaseState::kReady : DatabaseState::kDone;
        return {};
    }

    // What narrows the clean must be had before anything is removed: it fails closed.
    Result<> InputsReady()
    {
        if (recipe_.cookieKeepList) {
            if (!inputs_.keep) {
                return Fail(database_status::kNoKeepList, L"no keep-list was given, so no cookie is removed");
            }
            if (!*inputs_.keep) {
                return Fail(database_status::kNoKeepList,
                            inputs_.keep->error().description + L"; no cookie is removed");
            }
        }
        if (recipe_.keptPagesIn && !inputs_.keptPages) {
            return Fail(database_status::kNoKeptPages,
                        L"which pages are bookmarked is not known, so nothing is removed");
        }
        return {};
    }

    // A journal that still holds a change, or a log that only its browser's memory indexed (a
    // browser in exclusive locking mode that was stopped), is its browser's to finish: reading it
    // would mean changing it, which a preview never does, so the clean does not either.
    Result<> Finished(const SideFiles& side)
    {
        const std::wstring unfinished = L"it holds a change " + inputs_.browser + L" did not finish: start and close " +
                                        inputs_.browser + L" once, then clean";
        if (side.wal && side.wal->size > 0 && !side.shm) {
            return Fail(database_status::kUnfinished, unfinished);
        }
        if (side.journal && side.journal->size > 0) {
            Result<std::string> head =
                files_.ReadStart(folder_, std::wstring(recipe_.file) + L"-journal", kJournalMagic.size());
            if (!head) {
                return std::unexpected(head.error());
            }
            if (*head == kJournalMagic) {
                return Fail(database_status::kUnfinished, unfinished);
            }
        }
        return {};
    }

    Result<SqliteConnection> Open()
    {
        const bool preview = mode_ == DatabaseMode::kPreview;
        // A preview reads the write-ahead log's index without writing it, and never creates one.
        Result<SqliteConnection> db =
            SqliteConnection::Open(DatabaseUri(outcome_.path, preview ? "mode=ro&readonly_shm=1" : "mode=rw"),
                                   SQLITE_OPEN_URI | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE |
                                       (preview ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE));
        if (!db) {
            return db;
        }
        // The file is hostile input: no trigger of its own fires, no function its schema names runs.
        ::sqlite3_db_config(db->Get(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
        ::sqlite3_db_config(db->Get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        ::sqlite3_db_config(db->Get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
        ::sqlite3_busy_timeout(db->Get(), kBusyMilliseconds);
        // Temporary tables stay in memory: they hold the addresses being decided on. The page cache
        // holds a browser's whole database, so that what the clean's check of the file read is not
        // read again by its deletes. A preview reads the file through a mapping of it, without a
        // call to the system for each page (which under Wine costs more than the page). A clean
        // holds its lock from the first read to the end, and keeps a log's index in its own memory:
        // no shared-memory file is made beside the database.
        Result<> set = db->Execute(std::string("PRAGMA temp_store = MEMORY; PRAGMA secure_delete = ON;") +
                                   "PRAGMA cache_size = -" + std::to_string(kCacheKibibytes) + ";" +
                                   (preview ? "PRAGMA mmap_size = " + std::to_string(kMappedBytes) + ";"
                                            : "PRAGMA locking_mode = EXCLUSIVE;"));
        if (!set) {
            return std::unexpected(set.error());
        }
        return db;
    }

    Result<> Carry(SqliteConnection& db, const FileIdentity& checked)
    {
        const bool preview = mode_ == DatabaseMode::kPreview;
        Transaction transaction(db);
        if (preview) {
            if (Result<> begun = transaction.Begin("BEGIN"); !begun) {
                return begun;
            }
        }
        // The first read takes the lock: a browser that holds the file answers "busy" here.
        if (Result<std::optional<std::int64_t>> read = db.QueryInt("SELECT count(*) FROM main.sqlite_schema"); !read) {
            return std::unexpected(read.error());
        }
        Result<FileIdentity> opened = files_.OpenedDatabase(db.Get());
        if (!opened || *opened != checked) {
            return Fail(database_status::kSwapped, L"the file changed while it was being opened, so it is left");
        }
        // Every page read is checked as it is decoded. Before it writes, a clean also checks the
        // whole file's structure: deleting from a damaged file could spread the damage to rows it
        // keeps. A preview does not read the whole file for that (under Wine that alone would take
        // longer than a preview may), so a file damaged only where the preview does not read is
        // found out by the clean, which then leaves it untouched.
        if (Result<> set = db.Execute("PRAGMA cell_size_check = ON"); !set) {
            return set;
        }
        if (!preview) {
            Result<std::optional<std::string>> check = db.QueryText("PRAGMA main.quick_check(1)");
            if (!check) {
                return std::unexpected(check.error());
            }
            if (check->value_or("") != "ok") {
                return Fail(database_status::kCorrupt,
                            L"the database is damaged (" + FromUtf8(check->value_or("")) + L")");
            }
        }
        Result<std::set<std::string>> schema = ReadSchema(db);
        if (!schema) {
            return std::unexpected(schema.error());
        }
        for (std::string_view table : recipe_.essential) {
            if (!schema->contains(Lower(table))) {
                return Fail(database_status::kNotUnderstood,
                            L"not the database expected: it has no table " + FromUtf8(table) + L", so it is left");
            }
        }
        Result<std::optional<std::string>> journal = db.QueryText("PRAGMA main.journal_mode");
        if (!journal) {
            return std::unexpected(journal.error());
        }
        const bool wal = journal->value_or("") == "wal";
        if (!preview) {
            // A rollback journal is emptied at each commit, so the old pages it held are not left in it.
            if (!wal) {
                if (Result<> set = db.Execute("PRAGMA main.journal_mode = TRUNCATE"); !set) {
                    return set;
                }
            }
            if (Result<> begun = transaction.Begin("BEGIN IMMEDIATE"); !begun) {
                return begun;
            }
        }
        std::optional<KeepQuery> keep;
        if (inputs_.keep && *inputs_.keep) {
            keep.emplace(**inputs_.keep);
        }
        if (Result<> registered = RegisterFunctions(db, keep ? &*keep : nullptr); !registered) {
            return registered;
        }
        if (recipe_.keptPagesIn) {
            if (Result<> filled = FillKeptPages(db, *inputs_.keptPages); !filled) {
                return filled;
            }
        }
        for (const RecipeStep& step : recipe_.steps) {
            const std::string_view own[] = {step.table};
            if (!NeedsMet(*schema, step.needs.empty() ? std::span<const std::string_view>(own) : step.needs)) {
                if (step.kind != StepKind::kCollect) {
                    outcome_.skipped.emplace_back(step.table);
                }
                continue;
            }
            Result<std::optional<TableOutcome>> ran = RunStep(db, *schema, step, mode_);
            if (!ran) {
                return std::unexpected(ran.error());
            }
            if (*ran) {
                outcome_.tables.push_back(std::move(**ran));
            }
        }
        if (!recipe_.keptPages.empty()) {
            if (Result<> kept = ReadKeptPages(db); !kept) {
                return kept;
            }
        }
        if (preview) {
            return {};
        }
        if (Result<> committed = transaction.Commit(); !committed) {
            return committed;
        }
        if (wal) {
            return Checkpoint(db);
        }
        return {};
    }

    Result<> ReadKeptPages(SqliteConnection& db)
    {
        Result<SqliteStatement> pages = db.Prepare(recipe_.keptPages);
        if (!pages) {
            return std::unexpected(pages.error());
        }
        return pages->EachRow([&](const SqliteStatement& row) { outcome_.keptPages.push_back(row.Text(0)); });
    }

    // Every page of the log goes into the file and the log is emptied: the old pages it held,
    // the removed rows among them, are not left readable in it.
    Result<> Checkpoint(SqliteConnection& db)
    {
        Result<SqliteStatement> checkpoint = db.Prepare("PRAGMA main.wal_checkpoint(TRUNCATE)");
        if (!checkpoint) {
            return std::unexpected(checkpoint.error());
        }
        Result<bool> row = checkpoint->Step();
        if (!row) {
            return std::unexpected(row.error());
        }
        if (*row && checkpoint->Int(0) != 0) {
            outcome_.problem = Problem(database_status::kInUse, L"removed, but its log could not be emptied: close " +
                                                                    inputs_.browser + L" and clean again");
        }
        return {};
    }

    ProfileFiles& files_;
    ProfileFolder& folder_;
    const DatabaseRecipe& recipe_;
    const DatabaseInputs& inputs_;
    DatabaseMode mode_;
    DatabaseOutcome outcome_;
};

}  // namespace

std::uint64_t DatabaseOutcome::Rows() const
{
    std::uint64_t rows = 0;
    for (const TableOutcome& table : tables) {
        rows += table.kind == StepKind::kRemove ? table.rows : 0;
    }
    return rows;
}

DatabaseOutcome RunDatabase(ProfileFiles& files, ProfileFolder& folder, const DatabaseRecipe& recipe,
                            const DatabaseInputs& inputs, DatabaseMode mode)
{
    return Run(files, folder, recipe, inputs, mode).Go();
}

}  // namespace nivaro
