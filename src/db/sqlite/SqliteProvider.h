#pragma once

#include <sqlite3.h>

#include <functional>
#include <memory>
#include <string>

#include "db/Connection.h"

namespace qdt::db {

class SqliteInsertCache;

// Owners of SQLite's handles, so that no path out of a constructor or a
// failed call leaves one behind.
struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct SqliteFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalizer>;

// A connection to a SQLite database. Also serves the read-only snapshots that
// Access files are loaded into, through the statement filter and the owner hook.
class SqliteProvider : public ConnectionProvider {
public:
    // Takes ownership of an open handle. onClose runs after the handle is
    // closed (a snapshot removes its temporary file there).
    explicit SqliteProvider(SqliteHandle db, std::function<void()> onClose = {});
    ~SqliteProvider() override;

    // Opens an existing database file; read-only, it can only be read.
    static std::unique_ptr<SqliteProvider> OpenFile(const std::string& path, OpenMode mode = OpenMode::kReadWrite);

    // Lets a wrapper rewrite or refuse each statement before it is prepared.
    void SetStatementFilter(std::function<std::string(const std::string&)> filter) { filter_ = std::move(filter); }

    std::unique_ptr<Recordset> Execute(const std::string& sql) override;
    std::unique_ptr<Recordset> OpenSchemaTables() override;
    void Close() override;
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    // The rowid, which is the identity of a table whose key is INTEGER PRIMARY KEY.
    std::optional<std::int64_t> LastInsertId() override;
    // A copy's rows run through prepared statements kept per column list.
    bool RunRow(const InsertRow& row) override;

    sqlite3* Handle() const { return db_.get(); }

private:
    void Exec(const char* sql);
    sqlite3* Db() const;
    SqliteHandle db_;
    std::function<void()> onClose_;
    std::function<std::string(const std::string&)> filter_;
    std::unique_ptr<SqliteInsertCache> inserts_;
};

// Type code for a declared column type ("VARCHAR(50)", "DATETIME", ...);
// 0 when the declaration says nothing usable.
int TypeFromDeclaredType(const std::string& declared);

// The error of a failed call on db as a DatabaseError; a lock held by another
// connection is named as such, with the file.
[[noreturn]] void ThrowSqliteError(sqlite3* db, int rc);

}  // namespace qdt::db
