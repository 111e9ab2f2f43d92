#include "browsers/sqlite_connection.h"

#include <sqlite3.h>

#include "platform/utf8.h"

namespace nivaro {

Error SqliteError(sqlite3* connection, int code)
{
    const char* message = connection != nullptr ? ::sqlite3_errmsg(connection) : ::sqlite3_errstr(code);
    return {code, L"SQLite: " + FromUtf8(message != nullptr ? message : "")};
}

Error SqliteError(int code)
{
    return SqliteError(nullptr, code);
}

void SqliteStatement::Finalize::operator()(sqlite3_stmt* statement) const
{
    ::sqlite3_finalize(statement);
}

Result<> SqliteStatement::Bind(int index, std::int64_t value)
{
    const int code = ::sqlite3_bind_int64(statement_.get(), index, value);
    if (code != SQLITE_OK) {
        return std::unexpected(SqliteError(connection_, code));
    }
    return {};
}

Result<> SqliteStatement::Bind(int index, std::string_view text)
{
    const int code =
        ::sqlite3_bind_text64(statement_.get(), index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK) {
        return std::unexpected(SqliteError(connection_, code));
    }
    return {};
}

Result<bool> SqliteStatement::Step()
{
    const int code = ::sqlite3_step(statement_.get());
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    return std::unexpected(SqliteError(connection_, code));
}

Result<> SqliteStatement::Run()
{
    return EachRow([](const SqliteStatement&) {});
}

Result<> SqliteStatement::Reset()
{
    ::sqlite3_clear_bindings(statement_.get());
    const int code = ::sqlite3_reset(statement_.get());
    if (code != SQLITE_OK) {
        return std::unexpected(SqliteError(connection_, code));
    }
    return {};
}

std::int64_t SqliteStatement::Int(int column) const
{
    return ::sqlite3_column_int64(statement_.get(), column);
}

std::string SqliteStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(::sqlite3_column_text(statement_.get(), column));
    if (text == nullptr) {
        return {};
    }
    return std::string(text, static_cast<std::size_t>(::sqlite3_column_bytes(statement_.get(), column)));
}

bool SqliteStatement::IsNull(int column) const
{
    return ::sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

void SqliteConnection::Close::operator()(sqlite3* connection) const
{
    ::sqlite3_close_v2(connection);
}

Result<SqliteConnection> SqliteConnection::Open(const std::string& name, int flags)
{
    sqlite3* raw = nullptr;
    const int code = ::sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    SqliteConnection connection(raw);  // owns the handle even when the open failed
    if (code != SQLITE_OK) {
        return std::unexpected(SqliteError(raw, code));
    }
    ::sqlite3_extended_result_codes(raw, 1);
    return connection;
}

Result<> SqliteConnection::Execute(std::string_view sql)
{
    while (!sql.empty()) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        const int code = ::sqlite3_prepare_v2(Get(), sql.data(), static_cast<int>(sql.size()), &raw, &tail);
        if (code != SQLITE_OK) {
            return std::unexpected(SqliteError(Get(), code));
        }
        sql.remove_prefix(static_cast<std::size_t>(tail - sql.data()));
        if (raw == nullptr) {
            continue;  // only blanks or a comment were left
        }
        SqliteStatement statement(Get(), raw);
        if (Result<> done = statement.Run(); !done) {
            return done;
        }
    }
    return {};
}

Result<SqliteStatement> SqliteConnection::Prepare(std::string_view sql)
{
    sqlite3_stmt* raw = nullptr;
    const int code = ::sqlite3_prepare_v2(Get(), sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    if (code != SQLITE_OK) {
        ::sqlite3_finalize(raw);
        return std::unexpected(SqliteError(Get(), code));
    }
    if (raw == nullptr) {
        return std::unexpected(Error{SQLITE_MISUSE, L"SQLite: no statement in the text"});
    }
    return SqliteStatement(Get(), raw);
}

Result<std::optional<std::int64_t>> SqliteConnection::QueryInt(std::string_view sql)
{
    return QueryFirst(sql, [](const SqliteStatement& row) { return row.Int(0); });
}

Result<std::optional<std::string>> SqliteConnection::QueryText(std::string_view sql)
{
    return QueryFirst(sql, [](const SqliteStatement& row) { return row.Text(0); });
}

std::uint64_t SqliteConnection::Changes() const
{
    return static_cast<std::uint64_t>(::sqlite3_changes64(Get()));
}

}  // namespace nivaro
