#pragma once

#include <sqlite3.h>

#include "db/Recordset.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db {

// Streams the rows of one prepared SQLite statement.
class SqliteRecordset final : public Recordset {
public:
    // The first row is fetched here; should that fail, the statement is
    // still finalised, since it is owned from the start.
    explicit SqliteRecordset(SqliteStatement stmt);
    ~SqliteRecordset() override;

protected:
    bool FetchRow() override;
    void Rewind() override;
    void Release() override;

private:
    Value ReadColumn(int index, int type) const;
    SqliteStatement stmt_;
    bool typesSettled_ = false;
};

}  // namespace qdt::db
