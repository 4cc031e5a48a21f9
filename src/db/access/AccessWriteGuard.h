#pragma once

#include <string>
#include <vector>

#include "db/access/AccessSqlTokens.h"

namespace qdt::db::access {

// Access files are opened as read-only snapshots: a statement that would change
// data or structure is refused with a message naming the file, before SQLite
// sees it (the snapshot itself is also set query-only, which catches the rest).
// kindOfFile names what is read-only in the message ("Access files", "Excel files").
void RefuseWrites(const std::vector<SqlToken>& tokens, const std::string& fileName,
                  const std::string& kindOfFile = "Access files");

}  // namespace qdt::db::access
