#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "db/sqlite/SqliteProvider.h"

namespace qdt::db {

// One value of an INSERT's VALUES list, as SQLite would store the literal.
struct LiteralValue {
    enum class Kind { Null, Integer, Real, Text } kind = Kind::Null;
    std::int64_t integer = 0;
    std::string_view digits;  // a real literal's text, without its sign
    bool negative = false;
    std::string text;  // a text literal's value, quotes undone
};

// "INSERT INTO t (columns) VALUES (literals)" split into the part up to and
// including "VALUES (" and its literals. False for any other statement and
// for literals whose stored value is not certain to be reproduced by binding
// (blobs, casts, expressions, integers beyond 64 bits): those run as text.
bool ParseLiteralInsert(std::string_view sql, std::string_view& head, std::vector<LiteralValue>& values);

// Runs a copy's INSERTs, which differ from row to row only in their values,
// through one prepared statement per column list, with the values bound:
// compiling each row's text afresh costs several times the insert itself.
// Each value is bound as the storage class its literal has (NULL, integer,
// real, text), so the column's affinity turns it into exactly what the
// literal would have become; reals are read by SQLite's own conversion.
class SqliteInsertCache {
public:
    // False when the statement is not such an INSERT; the caller runs it as text.
    bool TryRun(sqlite3* db, std::string_view sql);
    void Clear();

private:
    double RealValue(sqlite3* db, const LiteralValue& value);
    sqlite3_stmt* Prepared(sqlite3* db, std::string_view head, std::size_t count);

    std::map<std::string, SqliteStatement, std::less<>> statements_;
    SqliteStatement toReal_;
    std::vector<LiteralValue> values_;
    std::string key_;
};

}  // namespace qdt::db
