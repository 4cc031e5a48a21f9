#pragma once

#include <sqlite3.h>

#include <map>
#include <string>
#include <string_view>

#include "db/InsertRow.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db {

// Runs a copy's rows, which differ from row to row only in their values,
// through one prepared statement per column list, with the values bound:
// compiling each row's text afresh costs several times the insert itself.
// Each value is bound as the storage class its literal has (NULL, integer,
// real, text), so the column's affinity turns it into exactly what the
// literal would have become; reals are read by SQLite's own conversion of
// their digits.
class SqliteInsertCache {
public:
    // False when the row holds a value only its text reproduces, or SQLite
    // refuses the statement; the caller runs the row's text instead.
    bool Run(sqlite3* db, const InsertRow& row);
    void Clear();

private:
    double RealValue(sqlite3* db, const std::string& literal);
    sqlite3_stmt* Prepared(sqlite3* db, const std::string& head, std::size_t count);

    std::map<std::string, SqliteStatement, std::less<>> statements_;
    SqliteStatement toReal_;
    std::string key_;
};

}  // namespace qdt::db
