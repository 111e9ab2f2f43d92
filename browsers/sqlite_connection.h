#pragma once
// SQLite's C API behind owners that close what they open: a connection and its prepared
// statements. Every failure comes back as an Error carrying SQLite's extended result code and its
// message.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace nivaro {

// SQLite's extended result code and message as an error value.
Error SqliteError(sqlite3* connection, int code);
Error SqliteError(int code);

class SqliteStatement {
public:
    SqliteStatement(SqliteStatement&&) noexcept = default;
    SqliteStatement& operator=(SqliteStatement&&) noexcept = default;
    ~SqliteStatement() = default;

    Result<> Bind(int index, std::int64_t value);
    Result<> Bind(int index, std::string_view text);
    // One step: true when it produced a row, false when it is done.
    Result<bool> Step();
    // Steps to the end, for a statement that returns no rows.
    Result<> Run();
    // Steps to the end, handing each row to `visit`.
    template <class Visit>
    Result<> EachRow(Visit visit)
    {
        for (;;) {
            Result<bool> row = Step();
            if (!row) {
                return std::unexpected(row.error());
            }
            if (!*row) {
                return {};
            }
            visit(*this);
        }
    }
    Result<> Reset();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;  // NULL reads as empty
    bool IsNull(int column) const;

private:
    friend class SqliteConnection;
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const;
    };
    SqliteStatement(sqlite3* connection, sqlite3_stmt* statement) : connection_(connection), statement_(statement) {}

    sqlite3* connection_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
};

class SqliteConnection {
public:
    // `flags` are sqlite3_open_v2's; the name may be a file: URI when SQLITE_OPEN_URI is among them.
    static Result<SqliteConnection> Open(const std::string& name, int flags);

    SqliteConnection(SqliteConnection&&) noexcept = default;
    SqliteConnection& operator=(SqliteConnection&&) noexcept = default;
    ~SqliteConnection() = default;

    // Runs every statement of the text, discarding rows.
    Result<> Execute(std::string_view sql);
    Result<SqliteStatement> Prepare(std::string_view sql);
    // The first column of the first row; nothing when there is no row.
    Result<std::optional<std::int64_t>> QueryInt(std::string_view sql);
    Result<std::optional<std::string>> QueryText(std::string_view sql);
    // Rows changed by the last INSERT, UPDATE or DELETE.
    std::uint64_t Changes() const;

    sqlite3* Get() const { return connection_.get(); }

private:
    // What `read` makes of the first row; nothing when there is no row.
    template <class Read>
    auto QueryFirst(std::string_view sql, Read read) -> Result<std::optional<decltype(read(std::declval<SqliteStatement&>()))>>
    {
        Result<SqliteStatement> statement = Prepare(sql);
        if (!statement) {
            return std::unexpected(statement.error());
        }
        Result<bool> row = statement->Step();
        if (!row) {
            return std::unexpected(row.error());
        }
        return *row ? std::optional(read(*statement)) : std::nullopt;
    }

    struct Close {
        void operator()(sqlite3* connection) const;
    };
    explicit SqliteConnection(sqlite3* connection) : connection_(connection) {}

    std::unique_ptr<sqlite3, Close> connection_;
};

}  // namespace nivaro
