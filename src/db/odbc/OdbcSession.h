#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/odbc/OdbcConnection.h"

namespace qdt::db::odbc {

// What produces a result: run again when a result is read from the start.
struct StatementSource {
    std::function<SQLRETURN(SQLHSTMT)> run;
    // Whether the statement may change data (decides where it may run).
    bool writes = true;
    // When set, the result shows only this many columns under these names.
    std::vector<std::string> columnNames;
};

// A statement that has been run and stands on a result with columns.
struct OpenResult {
    std::shared_ptr<OdbcConnection> connection;
    OdbcHandle statement;
};

// The ODBC connection handles behind one database connection.
//
// Drivers that stream results (MariaDB without its row cache, SQL Server
// without MARS) cannot run a second statement on a handle while a result is
// still being read from it, yet callers look values up on a connection while
// walking a result from it. A statement that arrives while the main handle is
// busy therefore runs on another handle, opened on first need with the same
// connection string and kept for later. Such a handle sits outside any
// transaction of the main one: it does not see the transaction's uncommitted
// changes, so inside a transaction it may only read, and a statement that
// would write fails with a clear message instead of escaping the transaction.
// Drivers that hold whole results on the client leave the handle free, and
// then everything runs on the main handle.
class OdbcSession {
public:
    explicit OdbcSession(OdbcTarget target);

    // Runs the source on a free handle. Returns the open result, or nullopt
    // when the statement produced no columns (its handle is then free again).
    std::optional<OpenResult> Run(const StatementSource& source);

    // Sends statements as one text to a driver that runs statement groups
    // (see ConnectionProvider::ExecuteGroup for `done`). Text is passed as
    // UTF-8 through the narrow API.
    void RunGroup(const std::vector<std::string>& statements, std::size_t& done);

    void Begin();
    void Commit();
    void Rollback();
    // Handles still used by open results stay open until those are closed.
    void Close();

    bool InTransaction() const { return inTransaction_; }
    // Whether a result is being read on the main handle, so that a statement
    // run now would go to another handle.
    bool MainBusy() const { return !connections_.empty() && connections_.front()->Busy(); }
    const OdbcTarget& Target() const { return target_; }
    // Handles opened so far, for tests and diagnostics.
    std::size_t HandleCount() const { return connections_.size(); }
    bool ResultsOccupyHandle() const { return occupying_; }

private:
    std::shared_ptr<OdbcConnection> Acquire(bool writes);
    std::shared_ptr<OdbcConnection> FreeHandleOrNew();
    OdbcConnection& Main();
    void End(bool commit);

    OdbcTarget target_;
    // The first is the main handle, where transactions run.
    std::vector<std::shared_ptr<OdbcConnection>> connections_;
    bool inTransaction_ = false;
    bool occupying_ = true;
};

// True for statements that only read: SELECT, SHOW, DESCRIBE, EXPLAIN, and
// WITH ... SELECT (leading blanks, comments and parentheses skipped).
bool IsReadOnlyStatement(std::string_view sql);

}  // namespace qdt::db::odbc
