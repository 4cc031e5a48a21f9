#pragma once

#include <sqlite3.h>

#include "db/Recordset.h"

namespace qdt::db {

// Streams the rows of one prepared SQLite statement.
class SqliteRecordset final : public Recordset {
public:
    // Takes ownership of the prepared statement.
    explicit SqliteRecordset(sqlite3_stmt* stmt);
    ~SqliteRecordset() override;

protected:
    bool FetchRow() override;
    void Rewind() override;
    void Release() override;

private:
    Value ReadColumn(int index, int type) const;
    sqlite3_stmt* stmt_;
    bool typesSettled_ = false;
};

}  // namespace qdt::db
